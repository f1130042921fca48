#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads a movie back with FFmpeg so tests can check what cpk2avi wrote.
struct Movie {
    std::string format;
    std::string videoCodec;
    std::string audioCodec;
    int channels = 0;
    int sampleRate = 0;
    std::vector<std::vector<std::uint8_t>> videoPackets;
    std::vector<bool> keyFrames;
    std::vector<std::vector<std::uint8_t>> pictures;  // decoded, tightly packed rows
    std::vector<int> samples;                         // decoded, channels interleaved
};

// Throws std::runtime_error when the file cannot be read or decoded.
Movie readMovie(const std::string& path);
