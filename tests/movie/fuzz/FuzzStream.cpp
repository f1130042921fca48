// libFuzzer's entry for the preview's movie stream: the input is the movie's
// bytes, played out, then played again from a point the input chooses. No
// read may leave them, every picture must be the movie's size and sound whole
// samples of its channels; anything else aborts, so that the fuzzer keeps
// the input.
#include "FuzzMovieBytes.h"
#include "movie/MovieStream.h"

#include <cstdint>
#include <cstdlib>

namespace {

void playOut(hotaru::MovieStream& stream)
{
    const auto pictureBytes = std::size_t(stream.width()) * std::size_t(stream.height()) * 3;
    while (const auto piece = stream.next()) {
        const bool picture = piece->kind == hotaru::MoviePiece::Kind::Picture;
        if (!(piece->time >= 0) || (picture && piece->rgb.size() != pictureBytes) ||
            (!picture && (stream.channels() == 0 || piece->samples.size() % std::size_t(stream.channels()) != 0)))
            std::abort();
    }
    if (stream.damaged() && !(stream.damagedAt() >= 0))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto length = static_cast<std::int64_t>(size);
    const hotaru::ArchiveRead read = movieBytes(data, length);
    hotaru::MovieStream stream(read, 0, length);
    if (stream.opened() && (stream.width() <= 0 || stream.height() <= 0 || stream.channels() > 2))
        std::abort();
    playOut(stream);
    stream.seek(size ? double(data[size - 1]) / 32 : 0);
    playOut(stream);
    return 0;
}
