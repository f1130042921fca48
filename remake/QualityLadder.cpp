#include "remake/QualityLadder.h"

#include <array>

namespace hotaru {

namespace {

// Lambda 256 is the encoder's own default. Past about four million it saves
// nothing more, so the last steps space the key frames out instead.
constexpr std::array<QualityStep, 10> Steps{{
    {100, 256, 12, 1.0},
    {90, 1024, 12, 0.70},
    {80, 4096, 12, 0.48},
    {70, 16384, 18, 0.33},
    {60, 65536, 24, 0.19},
    {50, 262144, 36, 0.11},
    {40, 1048576, 48, 0.075},
    {30, 4194304, 72, 0.058},
    {20, 16777216, 120, 0.052},
    {10, 67108864, 240, 0.048},
}};

// Aim a little under the room: the ratios are only typical.
constexpr double Margin = 0.92;

}  // namespace

std::span<const QualityStep> QualityLadder::steps() { return Steps; }

int QualityLadder::next(int tried, std::int64_t pictureBytes, std::int64_t room)
{
    const int last = static_cast<int>(Steps.size()) - 1;
    if (tried < 0 || tried >= last)
        return -1;
    // What the best step would have made of this movie.
    const double best = static_cast<double>(pictureBytes) / Steps[static_cast<std::size_t>(tried)].sizeRatio;
    for (int i = tried + 1; i < last; ++i)
        if (best * Steps[static_cast<std::size_t>(i)].sizeRatio <= Margin * static_cast<double>(room))
            return i;
    return last;
}

}  // namespace hotaru
