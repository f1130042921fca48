#pragma once

#include <cstddef>
#include <cstdint>

namespace hotaru::disc {

// Whether this processor folds the EDC with carry-less multiplication.
bool edcFoldAvailable();
// The EDC register after n more bytes, from register `e`: n is at least 64
// and a multiple of 16. Only where edcFoldAvailable().
std::uint32_t edcFold(std::uint32_t e, const std::uint8_t* data, std::size_t n);

}  // namespace hotaru::disc
