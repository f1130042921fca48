#pragma once

#include "disc/ImageTrack.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hotaru::disc {

// Reads a .ccd (an INI file: [Disc], [Entry n] of the table of contents,
// [TRACK n]) and finds its first data track in the .img beside it, which
// holds every sector from address 0 as 2352 raw bytes. Throws ImageError
// BadSheet, NoDataTrack or NotSupported naming `ccdPath`.
ImageTrack parseCloneCd(std::string_view text, const std::string& ccdPath);

}  // namespace hotaru::disc
