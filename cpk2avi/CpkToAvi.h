#pragma once

#include <string>

struct AVFormatContext;

namespace hotaru {

// How a conversion writes its output's last step (the index, for MP4 moved
// ahead): null for FFmpeg's own; tests make it fail.
using TrailerWriter = int (*)(AVFormatContext*);

// What a conversion is asked for beside its two names.
struct ConvertOptions {
    int scale = 1;  // pictures enlarged this many times, nearest neighbour
    // An SRT or ASS file: MP4's text track, or Matroska's own SRT or ASS
    // track; an AVI takes none.
    std::string subtitles;
    // The subtitles drawn into the pictures instead, which are then encoded
    // as H.264 (Matroska too, as when enlarged).
    bool burnSubtitles = false;
};

// Converts a FILM/CPK movie into the format of the table whose extension
// ends `out`; a name no row has is refused. AVI and Matroska copy the
// Cinepak frames, only made standard (FILM padding removed, length field
// equal to the frame size), and the sound as interleaved PCM (16-bit
// little-endian, or 8-bit unsigned); MP4, and Matroska enlarged, encode the
// pictures as H.264, the sound as the format says (AAC, PCM).
// The file is written beside `out` and renamed into place when complete.
// Returns 0 on success; otherwise 1 with a one-line reason in `error`, no
// output written and an existing `out` untouched.
int convertCpk(const std::string& in, const std::string& out, std::string& error, const ConvertOptions& options = {},
               TrailerWriter writeTrailer = nullptr);

}  // namespace hotaru
