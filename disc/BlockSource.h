#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

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

// A read given up because whoever waited for it asked to stop (a run's stop,
// a window closing): a failing sector's retries can take minutes.
class ReadStopped : public std::runtime_error {
public:
    explicit ReadStopped(const std::string& path) : std::runtime_error("stopped reading " + path) {}
};

// Told on the reading thread.
struct ReadEvents {
    // Before each retry of a sector that failed. offset: the archive byte the
    // sector holds, -1 for the image's own tables.
    std::function<void(std::int64_t offset, int attempt)> retrying;
    // Asked before each read, before each retry and during each pause; true
    // gives the read up with ReadStopped. May be asked from several threads.
    std::function<bool()> stopRequested;
};

// How reads are retried, and where files come from; the defaults are the real ones.
struct ReadOptions {
    int retries = 4;                                       // per sector, after the first failure
    std::chrono::milliseconds pause{200};                  // before each retry
    std::function<void(std::chrono::milliseconds)> sleep;  // empty: this thread sleeps
    std::function<std::unique_ptr<BlockSource>(const std::string& path)> openFile;  // empty: openFileSource
    // Sizes only the archive itself has: a file of one of them is taken as
    // the archive without a byte read (an image holding it is larger), so a
    // scratch at its start costs nothing until a movie there is read.
    std::vector<std::int64_t> archiveSizes;
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
// UnreadableSector naming the file and the archive offset. A stop asked for
// (events.stopRequested) throws ReadStopped before the next try, and within a
// few milliseconds during a pause.
void readRetrying(BlockSource& source, std::int64_t offset, void* buffer, std::size_t n, std::int64_t grid,
                  std::size_t unit, ArchiveSpan span, const ReadOptions& options, const ReadEvents& events);
// What readRetrying does once the read of the whole has failed, for a read
// whose first try was made elsewhere (a read ahead on another thread): each
// unit on its own, with retries, so a failing unit costs the same tries.
void readUnitsRetrying(BlockSource& source, std::int64_t offset, void* buffer, std::size_t n, std::int64_t grid,
                       std::size_t unit, ArchiveSpan span, const ReadOptions& options, const ReadEvents& events);

}  // namespace hotaru::disc
