#include "movie/MovieThumbnail.h"

#include "movie/MovieDecoder.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace hotaru {

namespace {

// The work one picture may take: frames decoded and packets read in all;
// the decoder passes over at most half of them on the way to the third of
// the movie.
constexpr int MaxFrames = 60;
constexpr int MaxPackets = 2 * MovieDecoder::MaxPassedOver;

// A brightness spread (standard deviation of luma, 0..255) below this is a
// blank picture: black, a fade, one flat colour.
constexpr double MinSpread = 10;

// The largest size inside the box with the movie's aspect; never bigger than the movie.
std::pair<int, int> fitted(int width, int height, int maxWidth, int maxHeight)
{
    maxWidth = std::clamp(maxWidth, 1, MaxPictureSide);
    maxHeight = std::clamp(maxHeight, 1, MaxPictureSide);
    const double scale = std::min({1.0, double(maxWidth) / width, double(maxHeight) / height});
    return {std::clamp(int(std::lround(width * scale)), 1, maxWidth),
            std::clamp(int(std::lround(height * scale)), 1, maxHeight)};
}

double lumaSpread(const std::vector<std::uint8_t>& rgb)
{
    double sum = 0, squares = 0;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        const double y = 0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2];
        sum += y;
        squares += y * y;
    }
    const double pixels = double(rgb.size() / 3);
    const double mean = sum / pixels;
    return std::sqrt(std::max(0.0, squares / pixels - mean * mean));
}

// Decodes from a third of the way in and keeps, into `thumb`, the picture
// that stands for the movie; false when the movie cannot be decoded.
bool pick(MovieDecoder& decoder, std::pair<int, int> size, Thumbnail& thumb)
{
    AVStream& video = *decoder.source().video();
    const int entries = avformat_index_get_entries_count(&video);
    if (entries <= 0)
        return false;
    const std::int64_t first = avformat_index_get_entry(&video, 0)->timestamp;
    const std::int64_t target = first + (avformat_index_get_entry(&video, entries - 1)->timestamp - first) / 3;
    const double third = double(target) * av_q2d(video.time_base);
    decoder.scalePictures(size.first, size.second);
    // A failed seek reads on from wherever the reader is, passing over
    // pictures the same way.
    decoder.seek(third, MovieDecoder::From::NearestKey);

    std::vector<std::uint8_t> best;
    double bestSpread = -1;
    int frames = 0;
    bool chosen = false;
    for (int packets = 0; packets < MaxPackets && frames < MaxFrames && !chosen; ++packets) {
        const MovieDecoder::Step step = decoder.step();
        if (step == MovieDecoder::Step::End)
            break;
        if (step == MovieDecoder::Step::Failed)
            return false;
        while (!chosen) {
            std::optional<MoviePiece> picture = decoder.take();
            if (!picture)
                break;
            ++frames;
            const double spread = lumaSpread(picture->rgb);
            chosen = picture->time >= third && spread >= MinSpread;
            if (chosen || spread > bestSpread) {
                bestSpread = spread;
                best = std::move(picture->rgb);
            }
        }
    }
    if (best.empty())
        return false;
    thumb.width = size.first;
    thumb.height = size.second;
    thumb.rgb = std::move(best);
    return true;
}

}  // namespace

Thumbnail movieThumbnail(const ArchiveRead& read, std::int64_t offset, std::int64_t size, int maxWidth, int maxHeight)
{
    Thumbnail thumb;
    // The picture alone: the sound is not decoded.
    MovieDecoder decoder(read, offset, size, MovieDecoder::Sound::Without);
    const FilmSource& source = decoder.source();
    thumb.movieWidth = source.width();
    thumb.movieHeight = source.height();
    thumb.frameRate = source.frameRate();
    thumb.seconds = source.seconds();
    bool pictured = false;
    if (decoder.opened() && source.layout() == FilmSource::Layout::Fine)
        pictured = pick(decoder, fitted(thumb.movieWidth, thumb.movieHeight, maxWidth, maxHeight), thumb);
    // FFmpeg may take a failed read for the end of the movie.
    thumb.damaged = !pictured || source.readFailed();
    if (thumb.damaged) {
        thumb.width = thumb.height = 0;
        thumb.rgb.clear();
    }
    return thumb;
}

}  // namespace hotaru
