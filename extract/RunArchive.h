#pragma once

#include "disc/ArchiveReader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hotaru {

// The one opened archive a run reads all its movies through, so that an
// image's sheet or map is read and checked once, not once per movie. It opens
// when first read, on the thread that reads it; it stays in one place, since
// the reader reports retries back to it.
class RunArchive {
public:
    using Retrying = std::function<void(std::int64_t offset, int attempt)>;
    using StopAsked = std::function<bool()>;

    explicit RunArchive(std::string path, disc::ReadOptions options = {});
    RunArchive(const RunArchive&) = delete;
    RunArchive& operator=(const RunArchive&) = delete;

    const std::string& path() const { return path_; }
    // Opens it unless open already. Throws as disc::openArchive.
    disc::ArchiveReader& reader();
    // Where a sector read again is reported from now on; empty: nowhere.
    void onRetrying(Retrying retrying) { retrying_ = std::move(retrying); }
    // What a read asks before each try and during each pause: true gives it
    // up with disc::ReadStopped. Empty: reads are never given up.
    void onStopAsked(StopAsked stopAsked) { stopAsked_ = std::move(stopAsked); }

private:
    std::string path_;
    disc::ReadOptions options_;
    Retrying retrying_;
    StopAsked stopAsked_;
    std::unique_ptr<disc::ArchiveReader> reader_;
};

}  // namespace hotaru
