#pragma once

#include "disc/ImageTrack.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hotaru::disc {

// Reads an Alcohol 120% / 52% image's .mds (version 1) and finds its first
// data track: its sessions, track blocks, extra blocks and the footer's file
// name ("*.mdf" for the descriptor's own name, a name of its own, or one in
// UTF-16). Every offset and count is checked against `bytes` before use.
// Throws ImageError BadSheet, NoDataTrack or NotSupported naming `mdsPath`.
ImageTrack parseMds(std::string_view bytes, const std::string& mdsPath);

}  // namespace hotaru::disc
