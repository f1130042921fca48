#pragma once

#include "disc/BlockSource.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace hotaru::disc {

// Decodes every hunk of a CHD v5 CD image and checks each against its
// checksum; returns how many hunks each kind of storage held ("cdlz",
// "cdzl", "cdfl", "none", "self"). Throws ImageError at the first bad hunk.
std::map<std::string, int> checkChdHunks(std::shared_ptr<BlockSource> file);

}  // namespace hotaru::disc
