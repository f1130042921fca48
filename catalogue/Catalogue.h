#pragma once

#include <cstdint>
#include <string_view>

namespace hotaru {

// What the two discs hold: how many movies, and the archive's exact size.
// Scripts ask tools/catalogue-info rather than read these lines.
inline constexpr int Disc1MovieCount = 31;
inline constexpr int Disc2MovieCount = 19;
inline constexpr std::int32_t Disc1ArchiveSize = 255995904;
inline constexpr std::int32_t Disc2ArchiveSize = 208545792;
inline constexpr int MaxMovies = Disc1MovieCount > Disc2MovieCount ? Disc1MovieCount : Disc2MovieCount;

// Which disc an archive belongs to, judged by its exact size alone:
// 1 or 2, and 0 for anything else.
std::int32_t discOfSize(std::int64_t archiveSize) noexcept;

// Movies are numbered from 1 within a disc. Asking for a disc or movie
// number that does not exist is a programming error; the queries answer 0 or
// an empty title rather than read outside the tables.
std::int32_t movieCount(std::int32_t disc) noexcept;
std::string_view movieTitle(std::int32_t disc, std::int32_t movie) noexcept;  // UTF-8
// The title translated, for showing in English; movies are still written as movieTitle.
std::string_view movieEnglishTitle(std::int32_t disc, std::int32_t movie) noexcept;
std::int32_t movieSize(std::int32_t disc, std::int32_t movie) noexcept;
std::int32_t movieOffset(std::int32_t disc, std::int32_t movie) noexcept;
bool isMovie(std::int32_t disc, std::int32_t movie) noexcept;

}  // namespace hotaru
