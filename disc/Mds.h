#pragma once

#include "disc/CueSheet.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hotaru::disc {

// Where an Alcohol 120% / 52% image (.mds descriptor, version 1) keeps its
// first data track: in which file, from which byte, in sectors of which layout.
struct MdsTrack {
    int number = 0;
    std::string file;  // resolved against the descriptor's folder
    TrackMode mode = TrackMode::Mode1Raw;
    SectorLayout layout{2352, 16};
    std::int64_t start = 0;     // byte offset in `file`
    std::int64_t sectors = -1;  // -1: to the end of the file
};

// Reads a .mds: its sessions, track blocks, extra blocks and the footer's file
// name ("*.mdf" for the descriptor's own name, a name of its own, or one in
// UTF-16). Every offset and count is checked against `bytes` before use.
// Throws ImageError BadSheet, NoDataTrack or NotSupported naming `mdsPath`.
MdsTrack parseMds(std::string_view bytes, const std::string& mdsPath);

}  // namespace hotaru::disc
