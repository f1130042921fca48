#include "remake/PutBack.h"

#include "catalogue/Archive.h"
#include "catalogue/Catalogue.h"

#include <algorithm>
#include <string>
#include <utility>

namespace hotaru {

namespace {

// Read in pieces so the bar moves and a stop is heard between them.
constexpr std::size_t ReadPiece = 1 << 20;

std::string failureWhat(PutBackFailure::Code code)
{
    return code == PutBackFailure::UnknownDisc ? "the archive is of neither disc" : "the disc has no such movie";
}

}  // namespace

PutBackFailure::PutBackFailure(Code c, std::int64_t size, std::int32_t d, std::int32_t m)
    : std::runtime_error(failureWhat(c)), code(c), archiveSize(size), disc(d), movie(m)
{
}

PutBackResult putBack(RunArchive& archive, const PutBackRequest& request, const PutBackEvents& events)
{
    const auto tell = [&](const PutBackProgress& p) {
        if (events.progress)
            events.progress(p);
    };
    const auto stopAsked = [&] { return events.stopRequested && events.stopRequested(); };

    archive.onStopAsked(events.stopRequested);
    const std::int64_t size = archive.size();
    const std::int32_t disc = discOfSize(size);
    if (disc == 0)
        throw PutBackFailure(PutBackFailure::UnknownDisc, size, 0, request.movie);
    if (!isMovie(disc, request.movie))
        throw PutBackFailure(PutBackFailure::NoSuchMovie, size, disc, request.movie);

    const std::int64_t offset = movieOffset(disc, request.movie);
    RemakeRequest remake;
    remake.original.resize(static_cast<std::size_t>(movieSize(disc, request.movie)));
    remake.source = request.file;
    remake.maxSeconds = request.maxSeconds;
    for (std::size_t at = 0; at < remake.original.size(); at += ReadPiece) {
        tell({PutBackStage::Reading, static_cast<double>(at) / static_cast<double>(remake.original.size())});
        const std::size_t n = std::min(ReadPiece, remake.original.size() - at);
        archive.read(offset + static_cast<std::int64_t>(at), remake.original.data() + at, n);
    }

    RemakeEvents remaking;
    remaking.progress = [&](int attempt, int quality, double fraction) {
        tell({PutBackStage::Encoding, fraction, attempt, quality});
    };
    remaking.stopRequested = stopAsked;
    RemakeResult made = remakeMovie(remake, remaking);

    disc::PatchedCopyEvents writing;
    writing.progress = [&](disc::CopyStep step, std::int64_t done, std::int64_t total) {
        PutBackProgress p{PutBackStage::Writing};
        p.step = step;
        p.fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0;
        tell(p);
    };
    writing.stopRequested = stopAsked;
    PutBackResult result;
    result.disc = disc;
    result.movie = request.movie;
    result.quality = made.quality;
    result.attempts = made.attempts;
    result.movieBytes = made.movieBytes;
    result.budget = static_cast<std::int64_t>(remake.original.size());
    result.seconds = made.seconds;
    const disc::ArchiveChange change{offset, std::move(made.bytes)};
    disc::PatchedCopyOptions copying = request.copy;
    copying.read = knowingArchiveSizes(copying.read);
    result.copy = disc::writePatchedCopy(archive.path(), request.folder, change, writing, copying);
    return result;
}

}  // namespace hotaru
