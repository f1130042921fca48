#pragma once

#include "disc/CdSector.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace hotaru::disc {

// The data track an image's descriptor names, as every format's parser hands
// it to the reader: which file holds its sectors, from where, how many and how
// they lie. One function (in ArchiveReader.cpp) opens a track from it.
struct ImageTrack {
    int number = 0;
    std::string file;  // resolved against the descriptor's folder
    TrackMode mode = TrackMode::Mode1Raw;
    std::size_t subchannel = 0;  // bytes after each raw sector (96, interleaved)
    std::int64_t start = 0;      // byte offset of its first sector in `file`
    std::int64_t sectors = -1;   // -1: to the end of `file`
    // Running to the end of `file`, a file that ends within a sector is short
    // (a CUE's last track in its file); else the part sector is left unread.
    bool endsOnSector = false;

    SectorLayout layout() const { return layoutOf(mode, subchannel); }
};

}  // namespace hotaru::disc
