// libFuzzer's entry for a movie's picture: the input is the movie's bytes. No
// read may leave them and the picture must match its size; anything else
// aborts, so that the fuzzer keeps the input.
#include "FuzzMovieBytes.h"
#include "movie/MovieThumbnail.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto length = static_cast<std::int64_t>(size);
    const hotaru::ArchiveRead read = movieBytes(data, length);
    const hotaru::Thumbnail t = hotaru::movieThumbnail(read, 0, length, 64, 48);
    if (t.width < 0 || t.height < 0 || t.width > 64 || t.height > 48 ||
        t.rgb.size() != static_cast<std::size_t>(t.width) * static_cast<std::size_t>(t.height) * 3 ||
        (t.damaged && !t.rgb.empty()) || t.seconds < 0 || t.frameRate < 0)
        std::abort();
    return 0;
}
