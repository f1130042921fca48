// libFuzzer's entry for the FILM header reader: the input is a movie's first
// bytes. What it reads must stay within them and add up; anything else aborts,
// so that the fuzzer keeps the input.
#include "movie/FilmHeader.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<std::uint32_t> length = hotaru::filmHeaderSize(data, size);
    const std::optional<hotaru::FilmInfo> info = hotaru::readFilmHeader(data, size);
    if (!info)
        return 0;
    const std::int64_t records = (info->headerSize - 16 - 20 - 16) / 16;
    if (!length || info->headerSize != *length || info->headerSize > static_cast<std::int64_t>(size) ||
        info->frames < 0 || info->frames > records || info->durationTicks < 0 || info->seconds() < 0 ||
        info->frameRate() < 0 || hotaru::lengthText(info->seconds()).empty())
        std::abort();
    return 0;
}
