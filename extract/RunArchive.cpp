#include "extract/RunArchive.h"

#include "catalogue/Archive.h"

namespace hotaru {

RunArchive::RunArchive(std::string path, disc::ReadOptions options)
    : path_(std::move(path)), options_(knowingArchiveSizes(std::move(options)))
{
}

disc::ArchiveReader& RunArchive::reader()
{
    if (!reader_) {
        disc::ReadEvents events;
        // Bound once at the open; each movie says where its retries go.
        events.retrying = [this](std::int64_t offset, int attempt) {
            if (retrying_)
                retrying_(offset, attempt);
        };
        events.stopRequested = [this] { return stopAsked_ && stopAsked_(); };
        reader_ = disc::openArchive(path_, std::move(events), options_);
    }
    return *reader_;
}

}  // namespace hotaru
