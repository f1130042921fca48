#include "movie/MovieStream.h"

#include "movie/MovieDecoder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace hotaru {

MovieStream::MovieStream(ArchiveRead read, std::int64_t offset, std::int64_t size)
    : decoder_(std::make_unique<MovieDecoder>(std::move(read), offset, size, MovieDecoder::Sound::With))
{
    const FilmSource& source = decoder_->source();
    if (source.video() && source.width() > 0) {
        width_ = source.width();
        height_ = source.height();
        frameRate_ = source.frameRate();
        seconds_ = source.seconds();
    }
    sampleRate_ = decoder_->sampleRate();
    channels_ = decoder_->channels();
    if (!decoder_->opened())
        fail(0);
}

MovieStream::~MovieStream() = default;

bool MovieStream::opened() const { return decoder_->opened(); }

void MovieStream::fail(double at)
{
    damaged_ = true;
    damagedAt_ = std::max(at, skipUntil_);
    ended_ = true;
}

std::optional<MoviePiece> MovieStream::next()
{
    while (!ended_) {
        if (auto piece = decoder_->take())
            return piece;
        switch (decoder_->step()) {
        case MovieDecoder::Step::Read:
            break;
        case MovieDecoder::Step::End:
            ended_ = true;
            break;
        case MovieDecoder::Step::Failed:
            fail(decoder_->failedAt());
            break;
        }
    }
    // What was decoded before the end or the damage still counts.
    return decoder_->take();
}

void MovieStream::seek(double seconds)
{
    damaged_ = ended_ = false;
    damagedAt_ = 0;
    skipUntil_ = std::isnan(seconds) ? 0 : std::clamp(seconds, 0.0, std::max(0.0, seconds_));
    if (!decoder_->opened()) {
        fail(0);
        return;
    }
    decoder_->handOutFrom(skipUntil_);
    // A reader that could not be moved may be anywhere: nothing from it can be trusted.
    if (!decoder_->seek(skipUntil_, MovieDecoder::From::KeyOrStart))
        fail(skipUntil_);
}

}  // namespace hotaru
