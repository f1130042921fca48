#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "catalogue/Catalogue.h"

namespace hotaru {

// The movies chosen for extraction, in extraction order. Entries live in
// slots 1..count; no number occurs twice, so MaxMovies slots always suffice.
struct PickList {
    std::array<std::int32_t, MaxMovies + 1> entries{};  // slot 0 unused
    std::int32_t count = 0;

    bool contains(std::int32_t movie) const noexcept;
    // Appends a movie of `disc`; false (and no change) for a duplicate or
    // a number the disc does not have.
    bool add(std::int32_t disc, std::int32_t movie) noexcept;
    // Removes slot k (1-based), closing the gap; false when k is not live.
    bool removeAt(std::int32_t k) noexcept;
    // Every movie of the disc in catalogue order.
    void fill(std::int32_t disc) noexcept;
    void clear() noexcept { count = 0; }
    std::int32_t at(std::int32_t k) const noexcept { return entries[static_cast<std::size_t>(k)]; }
    std::vector<std::int32_t> live() const;
};

}  // namespace hotaru
