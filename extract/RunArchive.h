#pragma once

#include "extract/SharedArchive.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hotaru {

// One reader's way into an opened archive (a run's, a preview's, the
// tooltips'): the retries of its reads are told to it alone, and only its own
// stop gives them up. The archive behind it may be shared with other readers,
// so a run reads all its movies through one opening, beside the window's
// previews. Used by one thread at a time.
class RunArchive {
public:
    using Retrying = std::function<void(std::int64_t offset, int attempt)>;
    using StopAsked = std::function<bool()>;

    // An archive of its own, opened when first read.
    explicit RunArchive(std::string path, disc::ReadOptions options = {});
    explicit RunArchive(std::shared_ptr<SharedArchive> shared);
    RunArchive(const RunArchive&) = delete;
    RunArchive& operator=(const RunArchive&) = delete;

    const std::string& path() const { return shared_->path(); }
    const std::shared_ptr<SharedArchive>& shared() const { return shared_; }
    // Where a sector read again is reported from now on; empty: nowhere.
    void onRetrying(Retrying retrying) { events_.retrying = std::move(retrying); }
    // What a read asks before each try, during each pause and while it waits
    // for another reader's: true gives it up with disc::ReadStopped. Empty:
    // reads are never given up.
    void onStopAsked(StopAsked stopAsked) { events_.stopRequested = std::move(stopAsked); }

    // Opens it unless open. Throws as disc::openArchive.
    void open() { shared_->open(events_); }
    std::int64_t size() { return shared_->size(events_); }
    // Throws as disc::ArchiveReader::read, and as open().
    void read(std::int64_t offset, void* buffer, std::size_t n) { shared_->read(events_, offset, buffer, n); }

private:
    std::shared_ptr<SharedArchive> shared_;
    disc::ReadEvents events_;
};

}  // namespace hotaru
