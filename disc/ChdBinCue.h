#pragma once
// A CHD CD image written out as one BIN and its CUE sheet, byte for byte as
// `chdman extractcd -o NAME.cue -ob NAME.bin` writes them.

#include "disc/BlockSource.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace hotaru::disc {

struct ChdBinCue {
    std::string sheet;  // the CUE sheet's text, naming `binName`
    std::int64_t binBytes = 0;
};

// The sheet for the CHD at `chdPath` and the BIN's size. Throws ImageError
// (NotSupported in a build without CHD support) or EInOutError.
ChdBinCue chdBinCue(const std::string& chdPath, const std::string& binName, const ReadOptions& options);

// Hands the BIN's bytes to `sink` in order, in pieces of at most a few
// hundred KiB: every track's sectors as the CHD stores them (data in its
// track type's sector size, sound as little-endian samples), without the
// padding a CHD adds after each track. `sink` may throw to stop.
void writeChdBin(const std::string& chdPath, const ReadOptions& options,
                 const std::function<void(const std::uint8_t* data, std::size_t n)>& sink);

}  // namespace hotaru::disc
