#pragma once

#include "disc/BlockSource.h"
#include "disc/DataTrack.h"
#include "disc/ImageError.h"
#include "disc/ImageTrack.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hotaru::disc {

// What kind of file holds the archive.
enum class ImageKind { Plain, Iso, RawBin, CueSheet, CloneCd, Alcohol, Nero, Chd };

// Where an archive lies, for writing a mended copy: every file of its image
// and the archive's place in the data track.
struct ArchiveLayout {
    ImageKind kind = ImageKind::Plain;
    // The image's files as found: the one to open first (descriptor, sheet,
    // image or archive) first, then the others it names (a sheet's BINs and
    // sound files, CloneCD's .img and .sub, Alcohol's .mdf).
    std::vector<std::string> files{};
    // The data track: its file, mode and first byte there. A plain archive is
    // a track of 2048-byte sectors from byte 0; a CHD's is named only by file.
    ImageTrack track{};
    // The archive's stretches in bytes of the data track (2048 per sector).
    std::vector<Extent> extents{};
};

// Where the archive's bytes are: the plain archive file, or hotaru4 inside a
// disc image (ISO 9660, BIN/CUE, a bare raw BIN, CloneCD, Alcohol, Nero, CHD v5).
class ArchiveReader {
public:
    virtual ~ArchiveReader() = default;
    virtual const ArchiveLayout& layout() const = 0;
    // The archive's exact size in bytes.
    virtual std::int64_t size() const = 0;
    // Exactly n bytes at `offset`. Throws EInOutError (ReadPastEnd past the
    // archive's end, the system's code for other failures, path() the file
    // concerned) or ImageError (damage, an unreadable sector after retries).
    // One thread at a time.
    virtual void read(std::int64_t offset, void* buffer, std::size_t n) = 0;
};

// Opens `path` and recognises it by content: a CHD by its tag, an Alcohol
// descriptor by its signature, a Nero image by its footer, an ISO image by its
// volume descriptor, a raw BIN by the CD sync pattern, a CloneCD descriptor or
// a CUE sheet by its first line; then a .ccd or .cue by its extension. An .img,
// .sub or .mdf with its descriptor beside it is read through that descriptor.
// Anything else is the archive itself, read as it is. A descriptor's files are
// named relative to its folder. A file of one of options.archiveSizes is the
// archive, whatever it holds.
// Throws EInOutError (a missing or unreadable file, named) or ImageError.
std::unique_ptr<ArchiveReader> openArchive(const std::string& path, ReadEvents events = {}, ReadOptions options = {});

}  // namespace hotaru::disc
