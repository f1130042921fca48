#include "extract/SharedArchive.h"

#include "catalogue/Archive.h"

#include <algorithm>
#include <chrono>

namespace hotaru {
namespace {

// How often a reader waiting for its turn asks whether to give up: as often
// as a retry's pause asks, so a window closing never waits for another's read.
constexpr std::chrono::milliseconds StopStep{10};

bool stopAsked(const disc::ReadEvents& by) { return by.stopRequested && by.stopRequested(); }

}  // namespace

// From the moment a reader is first in line and no one reads, until its read
// is done; the bound events go to it meanwhile.
class SharedArchive::Turn {
public:
    Turn(SharedArchive& archive, const disc::ReadEvents& by) : archive_(archive)
    {
        std::unique_lock lock(archive.mutex_);
        const std::uint64_t ticket = archive.nextTicket_++;
        failedOpensSeen_ = archive.failedOpens_;
        archive.line_.push_back(ticket);
        while (archive.reading_ || archive.line_.front() != ticket) {
            archive.turnEnded_.wait_for(lock, StopStep);
            // Asked without the lock: the question may take locks of its own.
            lock.unlock();
            const bool stop = stopAsked(by);
            lock.lock();
            if (stop) {
                archive.line_.erase(std::find(archive.line_.begin(), archive.line_.end(), ticket));
                archive.turnEnded_.notify_all();  // the next in line may be first now
                throw disc::ReadStopped(archive.path_);
            }
        }
        archive.line_.pop_front();
        archive.reading_ = true;
        archive.current_.store(&by);
    }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    ~Turn()
    {
        archive_.current_.store(nullptr);
        {
            const std::lock_guard lock(archive_.mutex_);
            archive_.reading_ = false;
        }
        archive_.turnEnded_.notify_all();
    }

    // How many opens had failed when the reader came.
    std::uint64_t failedOpensSeen() const { return failedOpensSeen_; }

private:
    SharedArchive& archive_;
    std::uint64_t failedOpensSeen_ = 0;
};

SharedArchive::SharedArchive(std::string path, disc::ReadOptions options)
    : path_(std::move(path)), options_(knowingArchiveSizes(std::move(options)))
{
}

disc::ArchiveReader& SharedArchive::reader(const Turn& turn)
{
    if (reader_)
        return *reader_;
    {
        const std::lock_guard lock(mutex_);
        // Failed while this reader waited for it: not tried again at once.
        if (failedOpens_ != turn.failedOpensSeen())
            std::rethrow_exception(failure_);
    }
    disc::ReadEvents events;
    // Bound once at the open; each read's go to the reader whose turn it is.
    events.retrying = [this](std::int64_t offset, int attempt) {
        const disc::ReadEvents* by = current_.load();
        if (by && by->retrying)
            by->retrying(offset, attempt);
    };
    events.stopRequested = [this] {
        const disc::ReadEvents* by = current_.load();
        return by && stopAsked(*by);
    };
    try {
        reader_ = disc::openArchive(path_, std::move(events), options_);
    } catch (const disc::ReadStopped&) {
        throw;
    } catch (...) {
        const std::lock_guard lock(mutex_);
        failure_ = std::current_exception();
        ++failedOpens_;
        throw;
    }
    return *reader_;
}

void SharedArchive::open(const disc::ReadEvents& by)
{
    const Turn turn(*this, by);
    reader(turn);
}

std::int64_t SharedArchive::size(const disc::ReadEvents& by)
{
    const Turn turn(*this, by);
    return reader(turn).size();
}

void SharedArchive::read(const disc::ReadEvents& by, std::int64_t offset, void* buffer, std::size_t n)
{
    const Turn turn(*this, by);
    reader(turn).read(offset, buffer, n);
}

}  // namespace hotaru
