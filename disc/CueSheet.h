#pragma once

#include "disc/CdSector.h"
#include "disc/ImageTrack.h"

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

// The sheet's first data track: from its INDEX 01 to the next track's start
// in the same file (its INDEX 00 where it has one), else to the file's end.
// Throws ImageError NoDataTrack, NotSupported (a data track in a sound file)
// or BadSheet (a track starting before the one before).
ImageTrack cueDataTrack(const std::vector<CueTrack>& tracks, const std::string& sheetPath);

// True when `head` (a file's first bytes) reads like a CUE sheet.
bool looksLikeCueSheet(std::string_view head);

}  // namespace hotaru::disc
