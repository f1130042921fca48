// How far a run is over all its movies, and the room its files take.
#include "catalogue/Catalogue.h"
#include "extract/RunProgress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using hotaru::MovieEnd;
using hotaru::RunProgress;

namespace {
std::int64_t size(std::int32_t movie) { return hotaru::movieSize(1, movie); }
}  // namespace

// Bytes, not movies: a large movie half copied counts for more than a small one whole.
TEST(RunProgress, CountsEachMoviesBytesSliceBySlice)
{
    ASSERT_GT(size(1), 4 * size(4));
    RunProgress run(1, {4, 1}, false);
    EXPECT_EQ(run.total(), size(4) + size(1));
    run.startMovie(4);
    run.sliced(100);
    run.endMovie(MovieEnd::Copied);
    EXPECT_EQ(run.done(), size(4));
    run.startMovie(1);
    run.sliced(50);
    EXPECT_EQ(run.done(), size(4) + size(1) * 50 / 100);
    EXPECT_EQ(run.movieSlices(), 50);
    // More slices than a movie has never carry over into the next.
    run.sliced(80);
    EXPECT_EQ(run.done(), run.total());
    run.endMovie(MovieEnd::Copied);
    EXPECT_DOUBLE_EQ(run.fraction(), 1.0);
}

// With conversion each movie counts twice: its copy, then its video when the
// converter is done, whether or not it succeeded.
TEST(RunProgress, ConversionsCountOnceTheyEnd)
{
    RunProgress run(1, {4, 6}, true);
    EXPECT_EQ(run.total(), 2 * (size(4) + size(6)));
    run.startMovie(4);
    run.sliced(100);
    EXPECT_EQ(run.done(), size(4));
    run.endMovie(MovieEnd::NotConverted);
    EXPECT_EQ(run.done(), 2 * size(4));
    EXPECT_EQ(run.copied(), size(4));
    // A copy stopped half way counts for nothing: no file was kept.
    run.startMovie(6);
    run.sliced(50);
    run.endMovie(MovieEnd::Stopped);
    EXPECT_EQ(run.done(), 2 * size(4));
    EXPECT_EQ(run.copied(), size(4));
    EXPECT_LT(run.fraction(), 1.0);
}

// The time left goes by the bytes still to come, the conversions included: a
// run that copied its first movie in 10 s has its video, and the second
// movie's copy and video, still to go.
TEST(RunProgress, TimeLeftCountsTheConversionsToCome)
{
    RunProgress run(1, {4, 5}, true);
    EXPECT_FALSE(run.secondsLeft(10));
    run.startMovie(4);
    run.sliced(100);
    const double rest = static_cast<double>(size(4) + 2 * size(5));
    EXPECT_EQ(run.secondsLeft(10), static_cast<long long>(10 * rest / static_cast<double>(size(4)) + 0.5));
    run.endMovie(MovieEnd::Converted);
    EXPECT_EQ(run.secondsLeft(20), static_cast<long long>(10 * 2 * size(5) / static_cast<double>(size(4)) + 0.5));
}

TEST(RunProgress, AnEmptyRunIsNothingDoneNotADivisionByZero)
{
    const RunProgress run(1, {}, true);
    EXPECT_EQ(run.total(), 0);
    EXPECT_EQ(run.fraction(), 0.0);
}

TEST(SpaceNeeded, CopiesAloneOrEveryVideoBesideTheLargestCopy)
{
    EXPECT_EQ(hotaru::spaceNeeded(1, {4, 1, 6}, false), size(4) + size(1) + size(6));
    // Each copy goes once its video is written, so only one waits at a time.
    const std::int64_t copies = size(4) + size(1) + size(6);
    const std::int64_t converting = hotaru::spaceNeeded(1, {4, 1, 6}, true);
    EXPECT_GE(converting, copies + size(1));
    EXPECT_LT(converting, 2 * copies);
}
