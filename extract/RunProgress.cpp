#include "extract/RunProgress.h"

#include "catalogue/Catalogue.h"

#include <algorithm>

namespace hotaru {

RunProgress::RunProgress(std::int32_t disc, const std::vector<std::int32_t>& movies, bool converting)
    : disc_(disc), converting_(converting)
{
    for (const std::int32_t m : movies)
        copyTotal_ += movieSize(disc, m);
    total_ = converting ? 2 * copyTotal_ : copyTotal_;
}

void RunProgress::startMovie(std::int32_t movie)
{
    movie_ = movie;
    slices_ = 0;
}

void RunProgress::sliced(int slices) { slices_ = std::min(slices_ + std::max(slices, 0), SlicesPerMovie); }

std::int64_t RunProgress::sliceBytes() const
{
    // A movie's size times 100 slices does not fit 32 bits.
    return movie_ == 0 ? 0 : std::int64_t{movieSize(disc_, movie_)} * slices_ / SlicesPerMovie;
}

void RunProgress::endMovie(MovieEnd end)
{
    if (movie_ == 0)
        return;
    const std::int64_t size = movieSize(disc_, movie_);  // 64 bits: doubled below
    if (end == MovieEnd::Skipped) {
        // Done without a byte read: counts for how far, not for the speed.
        finished_ += converting_ ? 2 * size : size;
    } else if (end != MovieEnd::Stopped) {
        copied_ += size;
        finished_ += size;
        // A movie left unconverted counts as dealt with: the run moves on.
        if (converting_ && end != MovieEnd::Copied)
            finished_ += size;
    }
    movie_ = 0;
    slices_ = 0;
}

std::optional<long long> RunProgress::secondsLeft(double elapsed) const
{
    if (elapsed <= 0 || done() == 0)
        return std::nullopt;
    const double perSecond = static_cast<double>(done()) / elapsed;
    return static_cast<long long>(static_cast<double>(total_ - done()) / perSecond + 0.5);
}

std::int64_t RunProgress::done() const { return std::min(finished_ + sliceBytes(), total_); }

std::int64_t spaceNeeded(std::int32_t disc, const std::vector<std::int32_t>& movies, bool converting)
{
    std::int64_t copies = 0, largest = 0;
    for (const std::int32_t m : movies) {
        copies += movieSize(disc, m);
        largest = std::max<std::int64_t>(largest, movieSize(disc, m));
    }
    if (!converting)
        return copies;
    // A video takes about what its copy took: AVI keeps the pictures and
    // unpacks the sound; MP4 packs both tighter. An eighth more keeps it safe.
    return copies + copies / 8 + largest;
}

std::optional<std::int64_t> shortOfSpace(std::int32_t disc, const std::vector<std::int32_t>& movies, bool converting,
                                         std::optional<std::int64_t> free)
{
    const std::int64_t needed = spaceNeeded(disc, movies, converting);
    if (!free || *free >= needed)
        return std::nullopt;
    return needed;
}

}  // namespace hotaru
