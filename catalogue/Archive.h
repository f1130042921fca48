#pragma once

#include "disc/BlockSource.h"

#include <cstdint>
#include <string>

namespace hotaru {

// The archive's name in a disc's root folder; it has no extension.
inline constexpr char ArchiveFileName[] = "hotaru4";

struct ArchiveInfo {
    std::int64_t size = 0;
    std::int32_t disc = 0;
};

// `options` knowing both discs' archive sizes: a file of one is the plain
// archive, opened without reading a byte of it.
disc::ReadOptions knowingArchiveSizes(disc::ReadOptions options = {});

// Opens the archive read-only (others may read it too), takes its size and
// closes it again: no handle is kept. `path` names the archive itself or a
// disc image holding it (disc/ArchiveReader.h). Throws EInOutError or
// disc::ImageError.
ArchiveInfo inspectArchive(const std::string& path);
// What the system tells of `path` without a byte of it read: opened and
// closed as by inspectArchive (throwing as it does), its size, and the disc
// when that size is an archive's. Otherwise disc 0: an image, or any other
// file, that takes reading to know.
ArchiveInfo glanceAtArchive(const std::string& path);

}  // namespace hotaru
