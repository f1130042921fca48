#pragma once

#include "disc/CueSheet.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hotaru::disc {

// Where a CloneCD image keeps its first data track: the .img beside the .ccd
// holds every sector from address 0 as 2352 raw bytes.
struct CloneCdTrack {
    int number = 0;
    TrackMode mode = TrackMode::Mode1Raw;
    std::int64_t firstSector = 0;
    std::int64_t sectors = -1;  // -1: to the end of the .img
};

// Reads a .ccd (an INI file: [Disc], [Entry n] of the table of contents,
// [TRACK n]) and finds its first data track. Throws ImageError BadSheet,
// NoDataTrack or NotSupported naming `ccdPath`.
CloneCdTrack parseCloneCd(std::string_view text, const std::string& ccdPath);

}  // namespace hotaru::disc
