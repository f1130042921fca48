#pragma once

#include "disc/ArchiveReader.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

namespace hotaru {

// The one opened archive or image of a path that a run, the previews and the
// tooltips all read through, so that an image's sheet or map is read and
// checked once and a CHD's decoding threads start once. It opens on the first
// read, on the thread that reads. Reads take turns, first come first served;
// the retries of a read are told to the reader whose turn it is, and its stop
// is asked of that reader alone. Safe from any thread; the last owner may let
// it go on any thread.
//
// An open that failed is told to the readers that waited in line for it; the
// next reader after them opens again, since the disc may have been put in
// since. An open given up on its reader's stop is no failure of the disc.
class SharedArchive {
public:
    explicit SharedArchive(std::string path, disc::ReadOptions options = {});
    SharedArchive(const SharedArchive&) = delete;
    SharedArchive& operator=(const SharedArchive&) = delete;

    const std::string& path() const { return path_; }

    // Each waits for `by`'s turn, asking by.stopRequested every few
    // milliseconds meanwhile (true: disc::ReadStopped), and opens the archive
    // unless it is open. During the turn, by.retrying hears of the sectors
    // read again and by.stopRequested is asked as disc/BlockSource.h says.
    // Throw as disc::openArchive and ArchiveReader::read.
    void open(const disc::ReadEvents& by);
    std::int64_t size(const disc::ReadEvents& by);
    void read(const disc::ReadEvents& by, std::int64_t offset, void* buffer, std::size_t n);

private:
    class Turn;
    // Opens the archive unless it is open; during a turn only.
    disc::ArchiveReader& reader(const Turn& turn);

    const std::string path_;
    const disc::ReadOptions options_;
    std::mutex mutex_;
    std::condition_variable turnEnded_;
    std::deque<std::uint64_t> line_;  // the waiting readers' tickets, in the order they came
    std::uint64_t nextTicket_ = 0;
    bool reading_ = false;           // a turn is under way
    std::uint64_t failedOpens_ = 0;  // with failure_, the last open's failure
    std::exception_ptr failure_;
    // Whose turn it is: where the events bound at the open go.
    std::atomic<const disc::ReadEvents*> current_{nullptr};
    std::unique_ptr<disc::ArchiveReader> reader_;  // touched during a turn only
};

}  // namespace hotaru
