#pragma once

#include <string>

struct AVFormatContext;

namespace hotaru {

// How a conversion writes its output's last step (the index, for MP4 moved
// ahead): null for FFmpeg's own; tests make it fail.
using TrailerWriter = int (*)(AVFormatContext*);

// True when `out` names an MP4: it ends in ".mp4", in any case.
bool wantsMp4(const std::string& out);

// Converts a FILM/CPK movie. Into AVI by default: Cinepak frames are copied,
// only made standard (FILM padding removed, length field equal to the frame
// size), and the audio becomes interleaved PCM (16-bit little-endian, or 8-bit
// unsigned). Into MP4 when wantsMp4(out): H.264 and AAC, the index first.
// The file is written beside `out` and renamed into place when complete.
// Returns 0 on success; otherwise 1 with a one-line reason in `error`, no
// output written and an existing `out` untouched.
int convertCpkToAvi(const std::string& in, const std::string& out, std::string& error,
                    TrailerWriter writeTrailer = nullptr);

}  // namespace hotaru
