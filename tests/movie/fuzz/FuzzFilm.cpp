// libFuzzer's entry for the one FILM header reader: the input is a whole
// movie, read through a reader that aborts on any byte outside it. What the
// header gives must add up; anything else aborts, so that the fuzzer keeps
// the input.
#include "movie/FilmHeader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto movieSize = static_cast<std::int64_t>(size);
    const auto read = [&](std::int64_t at, void* buffer, std::size_t n) {
        if (at < 0 || at > movieSize || static_cast<std::int64_t>(n) > movieSize - at)
            std::abort();
        std::memcpy(buffer, data + at, n);
    };
    const std::optional<hotaru::FilmInfo> info = hotaru::readFilmHeader(read, movieSize);
    const std::optional<hotaru::FilmInfo> direct = hotaru::readFilmHeader(data, size, movieSize);
    if (info.has_value() != direct.has_value())
        std::abort();
    if (!info)
        return 0;
    const std::optional<std::uint32_t> length = hotaru::filmHeaderSize(data, size);
    const std::int64_t records = (info->headerSize - 16 - 20 - 16) / 16;
    if (!length || info->headerSize != *length || info->headerSize > movieSize || info->frames < 0 ||
        info->frames > records || info->durationTicks < 0 || info->seconds() < 0 || info->frameRate() < 0 ||
        info->width > hotaru::MaxPictureSide || info->height > hotaru::MaxPictureSide ||
        info->samplesOutside != direct->samplesOutside || hotaru::lengthText(info->seconds()).empty())
        std::abort();
    return 0;
}
