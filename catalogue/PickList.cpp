#include "catalogue/PickList.h"

namespace hotaru {

bool PickList::contains(std::int32_t movie) const noexcept
{
    for (std::int32_t i = 1; i <= count; ++i)
        if (at(i) == movie)
            return true;
    return false;
}

bool PickList::add(std::int32_t disc, std::int32_t movie) noexcept
{
    if (!isMovie(disc, movie) || contains(movie) || count >= MaxMovies)
        return false;
    ++count;
    entries[static_cast<std::size_t>(count)] = movie;
    return true;
}

bool PickList::removeAt(std::int32_t k) noexcept
{
    if (k < 1 || k > count)
        return false;
    for (std::int32_t i = k; i < count; ++i)
        entries[static_cast<std::size_t>(i)] = entries[static_cast<std::size_t>(i + 1)];
    --count;
    return true;
}

void PickList::fill(std::int32_t disc) noexcept
{
    count = movieCount(disc);
    for (std::int32_t i = 1; i <= count; ++i)
        entries[static_cast<std::size_t>(i)] = i;
}

std::vector<std::int32_t> PickList::live() const { return {entries.begin() + 1, entries.begin() + 1 + count}; }

}  // namespace hotaru
