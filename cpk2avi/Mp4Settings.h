#pragma once
// How an MP4 is encoded, in one place. Every setting is an FFmpeg option name
// and value, so that the libraries here and the ffmpeg command (bench_mp4
// times one against the other) are given exactly the same.

#include <cstdint>

namespace hotaru {

struct Mp4Settings {
    struct Option {
        const char* name;
        const char* value;
    };

    // H.264 at a quality where the pictures cannot be told from the Cinepak
    // source: at crf 16 they keep 44-50 dB PSNR against it, from a fractal
    // zoom to test patterns.
    static constexpr const char* VideoEncoder = "libx264";
    static constexpr Option VideoOptions[] = {
        {"preset", "medium"},
        {"crf", "16"},
        {"threads", "0"},  // every core
        // What swscale's RGB to YUV conversion uses, told to the players.
        {"colorspace", "smpte170m"},
        {"color_range", "tv"},
    };
    // 4:2:0 from RGB with an average over each 2x2 block: Cinepak itself
    // keeps one colour per 2x2 block, so this loses the least.
    static constexpr const char* ScaleFlags = "area+accurate_rnd";

    static constexpr const char* AudioEncoder = "aac";
    static constexpr std::int64_t AudioBitRatePerChannel = 96000;
    static constexpr std::int64_t MaxAudioBitRate = 256000;

    // The index first, so a browser can start playing at once.
    static constexpr Option MuxerOptions[] = {{"movflags", "+faststart"}};

    static constexpr std::int64_t audioBitRate(int channels)
    {
        const std::int64_t rate = AudioBitRatePerChannel * channels;
        return rate < MaxAudioBitRate ? rate : MaxAudioBitRate;
    }
};

}  // namespace hotaru
