#pragma once

#include "disc/CdSector.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hotaru::disc {

struct CueTrack {
    int number = 0;
    std::string file;  // resolved against the sheet's folder
    // The FILE command's type in capitals: BINARY (also when it names none),
    // MOTOROLA, or a sound file's (WAVE, MP3, FLAC...), which only audio
    // tracks may be in and which is never opened.
    std::string fileType = "BINARY";
    TrackMode mode = TrackMode::Audio;
    std::int64_t index0 = -1;  // in sectors from the file's start; -1 when absent
    std::int64_t index1 = -1;
    int line = 0;  // where the TRACK command stands
};

// The tracks of a CUE sheet: UTF-8 with or without a byte-order mark, or, when
// it is not valid UTF-8, code page 932 as Japanese tools write it; CRLF or LF;
// commands in any case, words between spaces or tabs. Names come out in UTF-8.
// Throws ImageError BadSheet naming the sheet and the line.
std::vector<CueTrack> parseCueSheet(std::string_view text, const std::string& sheetPath);

// Whether a track in a file of this type can be read as sectors.
bool holdsSectors(const CueTrack& track);

// True when `head` (a file's first bytes) reads like a CUE sheet.
bool looksLikeCueSheet(std::string_view head);

}  // namespace hotaru::disc
