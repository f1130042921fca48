#pragma once
// The movie targets' input as an archive of its own: reads that stray
// outside it abort, so that the fuzzer keeps the input.

#include "movie/MovieThumbnail.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

inline hotaru::ArchiveRead movieBytes(const std::uint8_t* data, std::int64_t length)
{
    return [data, length](std::int64_t offset, void* buffer, std::size_t n) {
        if (offset < 0 || offset > length || static_cast<std::int64_t>(n) > length - offset)
            std::abort();
        std::memcpy(buffer, data + offset, n);
    };
}
