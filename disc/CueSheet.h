#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hotaru::disc {

enum class TrackMode { Audio, Mode1Raw, Mode1Cooked, Mode2Raw, Mode2Cooked, Mode2Form1Cooked };

struct CueTrack {
    int number = 0;
    std::string file;  // resolved against the sheet's folder
    TrackMode mode = TrackMode::Audio;
    std::int64_t index0 = -1;  // in sectors from the file's start; -1 when absent
    std::int64_t index1 = -1;
    int line = 0;  // where the TRACK command stands
};

// The tracks of a CUE sheet (UTF-8, an optional byte-order mark, CRLF or LF).
// Throws ImageError BadSheet naming the sheet and the line.
std::vector<CueTrack> parseCueSheet(std::string_view text, const std::string& sheetPath);

// The user-data layout of a track: raw sector size and where its 2048 bytes start.
struct SectorLayout {
    std::size_t sectorSize;
    std::size_t dataOffset;
};
SectorLayout layoutOf(TrackMode mode);

// True when `head` (a file's first bytes) reads like a CUE sheet.
bool looksLikeCueSheet(std::string_view head);

}  // namespace hotaru::disc
