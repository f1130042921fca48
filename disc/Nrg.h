#pragma once

#include "disc/ImageTrack.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hotaru::disc {

// Where the chunks of a Nero image start, from the file's last 12 bytes:
// "NER5" and a 64-bit offset (version 2), or "NERO" and a 32-bit one
// (version 1) in the last 8. Nothing when `tail` ends in neither.
struct NrgFooter {
    std::int64_t size = 12;  // of the footer itself
    std::int64_t chunksAt = 0;
};
std::optional<NrgFooter> nrgFooter(std::string_view tail);

// Reads the chunks (`chunks`: the file's bytes from the footer's offset up to
// the footer) and finds the first data track, in the image `path` itself: its disc-at-once block (DAOX,
// or DAOI in version 1), else its track-at-once entry (ETN2 or ETNF). Every
// offset is checked against `fileSize`. Throws ImageError BadSheet,
// NoDataTrack or NotSupported naming `path`.
ImageTrack parseNrg(std::string_view chunks, std::int64_t fileSize, const std::string& path);

}  // namespace hotaru::disc
