#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hotaru::disc {

// Every read of an archive or image file goes through this, so tests can put
// read errors at chosen offsets. readAt may be called from two threads at once.
class BlockSource {
public:
    virtual ~BlockSource() = default;
    virtual const std::string& path() const = 0;
    virtual std::int64_t size() const = 0;
    // Exactly n bytes from `offset`, or EInOutError (ReadPastEnd past the end).
    virtual void readAt(std::int64_t offset, void* buffer, std::size_t n) = 0;
};

// The real one, over platform/File. Throws EInOutError when the file cannot be opened.
std::unique_ptr<BlockSource> openFileSource(const std::string& path);

// Told on the reading thread before each retry of a sector that failed.
struct ReadEvents {
    // offset: the archive byte the sector holds, -1 for the image's own tables.
    std::function<void(std::int64_t offset, int attempt)> retrying;
};

// How reads are retried, and where files come from; the defaults are the real ones.
struct ReadOptions {
    int retries = 4;                                       // per sector, after the first failure
    std::chrono::milliseconds pause{200};                  // before each retry
    std::function<void(std::chrono::milliseconds)> sleep;  // empty: this thread sleeps
    std::function<std::unique_ptr<BlockSource>(const std::string& path)> openFile;  // empty: openFileSource
};

// Where a read lands in the archive, for retry events and errors: the archive
// offset of the read's first byte (-1 outside the archive) and how many archive
// bytes one unit of the file holds.
struct ArchiveSpan {
    std::int64_t offset = -1;
    std::int64_t bytesPerUnit = 0;
};

// Reads exactly n bytes at `offset`. When the system fails (anything but
// ReadPastEnd), the bytes are read again unit by unit (units of `unit` bytes
// counted from `grid`), each failing unit up to options.retries more times,
// announced and after a pause. A unit that still fails throws ImageError
// UnreadableSector naming the file and the archive offset.
void readRetrying(BlockSource& source, std::int64_t offset, void* buffer, std::size_t n, std::int64_t grid,
                  std::size_t unit, ArchiveSpan span, const ReadOptions& options, const ReadEvents& events);

}  // namespace hotaru::disc
