#pragma once

#include "extract/RunArchive.h"

#include <cstdint>
#include <functional>
#include <string>

namespace hotaru {

// One fixed buffer per movie; a slice (size div 100) must fit in it, and the
// largest movie's (276,131 bytes) does.
inline constexpr std::size_t CopyBufferSize = 280000;
inline constexpr int SlicesPerMovie = 100;

struct RangeCopy {
    std::string archivePath;  // the archive, or a disc image holding it
    std::int64_t offset = 0;
    std::int64_t size = 0;
    std::string outputPath;
    // The run's opened archive to read through; null: archivePath is opened
    // for this copy alone.
    RunArchive* archive = nullptr;
};

enum class CopyOutcome { Written, Stopped };

// Called after each of the 100 slices; returning false stops the copy.
using SliceCallback = std::function<bool()>;

struct CopyHooks {
    // Both files are open and the archive is at the offset: the copy begins.
    std::function<void()> opened;
    SliceCallback slice;
    // A sector failed and is read again (disc/BlockSource.h); on this thread.
    std::function<void(std::int64_t offset, int attempt)> retrying;
    // Asked while a failing sector is tried again and again: true stops the
    // copy there, as a slice returning false does, within one try.
    std::function<bool()> stopRequested;
};

// Copies bytes offset..offset+size-1 of the archive into outputPath: 100 slices
// of size div 100 bytes and one remainder, through one buffer. The bytes go to
// a temporary file beside the output, which replaces outputPath only once it is
// complete and closed; on failure or stop the temporary file is removed and an
// existing outputPath is left untouched. Failures throw EInOutError naming the
// archive or outputPath (never the temporary name), or disc::ImageError for a
// damaged image or a sector that stays unreadable after retries.
CopyOutcome copyRange(const RangeCopy& job, const CopyHooks& hooks);
CopyOutcome copyRange(const RangeCopy& job, const SliceCallback& onSlice = {});

}  // namespace hotaru
