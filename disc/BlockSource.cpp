#include "disc/BlockSource.h"

#include "disc/ImageError.h"
#include "platform/File.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <thread>

namespace hotaru::disc {

namespace {

class FileSource : public BlockSource {
public:
    explicit FileSource(File file) : file_(std::move(file)), size_(file_.size()) {}
    const std::string& path() const override { return file_.path(); }
    std::int64_t size() const override { return size_; }
    void readAt(std::int64_t offset, void* buffer, std::size_t n) override { file_.readAt(offset, buffer, n); }

private:
    File file_;
    std::int64_t size_;
};

// How often a pause looks for a stop.
constexpr std::chrono::milliseconds PauseStep{10};

bool stopAsked(const ReadEvents& events) { return events.stopRequested && events.stopRequested(); }

void throwIfStopped(const BlockSource& source, const ReadEvents& events)
{
    if (stopAsked(events))
        throw ReadStopped(source.path());
}

void pause(const BlockSource& source, const ReadOptions& options, const ReadEvents& events)
{
    if (options.sleep) {
        options.sleep(options.pause);
    } else {
        for (auto left = options.pause; left.count() > 0 && !stopAsked(events); left -= PauseStep)
            std::this_thread::sleep_for(std::min(left, PauseStep));
    }
    throwIfStopped(source, events);
}

}  // namespace

std::unique_ptr<BlockSource> openFileSource(const std::string& path)
{
    return std::make_unique<FileSource>(File::openRead(path));
}

void readRetrying(BlockSource& source, std::int64_t offset, void* buffer, std::size_t n, std::int64_t grid,
                  std::size_t unit, ArchiveSpan span, const ReadOptions& options, const ReadEvents& events)
{
    throwIfStopped(source, events);
    try {
        source.readAt(offset, buffer, n);
        return;
    } catch (const EInOutError& e) {
        if (e.code() == io::ReadPastEnd)
            throw;
    }
    readUnitsRetrying(source, offset, buffer, n, grid, unit, span, options, events);
}

void readUnitsRetrying(BlockSource& source, std::int64_t offset, void* buffer, std::size_t n, std::int64_t grid,
                       std::size_t unit, ArchiveSpan span, const ReadOptions& options, const ReadEvents& events)
{
    // Which unit failed is not known: each is read again on its own.
    auto* out = static_cast<char*>(buffer);
    const auto u = static_cast<std::int64_t>(unit);
    for (std::int64_t at = offset; at < offset + static_cast<std::int64_t>(n);) {
        const std::int64_t unitEnd = grid + ((at - grid) / u + 1) * u;
        const std::int64_t end = std::min(unitEnd, offset + static_cast<std::int64_t>(n));
        const auto k = static_cast<std::size_t>(end - at);
        const std::int64_t archiveAt = span.offset < 0 ? -1 : span.offset + (at - offset) * span.bytesPerUnit / u;
        for (int attempt = 0;; ++attempt) {
            throwIfStopped(source, events);
            try {
                source.readAt(at, out + (at - offset), k);
                break;
            } catch (const EInOutError& e) {
                if (e.code() == io::ReadPastEnd)
                    throw;
                if (attempt == options.retries)
                    throw ImageError(ImageFault::UnreadableSector, source.path(),
                                     "cannot read " + source.path() + " at byte " + std::to_string(at) + " after " +
                                         std::to_string(attempt + 1) + " attempts (error " + std::to_string(e.code()) +
                                         ")",
                                     archiveAt)
                        .withIoCode(e.code());
            }
            if (events.retrying)
                events.retrying(archiveAt, attempt + 1);
            pause(source, options, events);
        }
        at = end;
    }
}

}  // namespace hotaru::disc
