#include "remake/MovieRemake.h"

#include "remake/CinepakEncoder.h"
#include "remake/FilmWriter.h"
#include "remake/OriginalMovie.h"
#include "remake/OriginalPictures.h"
#include "remake/QualityLadder.h"
#include "remake/VideoSource.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <variant>

namespace hotaru {

namespace {

const char* codeName(RemakeFailure::Code code)
{
    switch (code) {
    case RemakeFailure::OriginalUnreadable:
        return "original unreadable";
    case RemakeFailure::SourceUnreadable:
        return "source unreadable";
    case RemakeFailure::NoPictures:
        return "no pictures";
    case RemakeFailure::TooLong:
        return "too long";
    case RemakeFailure::DoesNotFit:
        return "does not fit";
    case RemakeFailure::SubtitlesUnusable:
        return "subtitles unusable";
    case RemakeFailure::NoFont:
        return "no font";
    case RemakeFailure::Stopped:
        return "stopped";
    case RemakeFailure::EncoderMissing:
        return "encoder missing";
    case RemakeFailure::PictureSizeUnsupported:
        return "picture size unsupported";
    case RemakeFailure::SoundUnsupported:
        return "sound unsupported";
    case RemakeFailure::EncoderFailed:
        break;
    }
    return "encoder failed";
}

RemakeFailure tooLong(double seconds, double limit)
{
    RemakeFailure failure(RemakeFailure::TooLong);
    failure.seconds = seconds;
    failure.limit = limit;
    return failure;
}

// What one try at a quality step made.
struct Attempt {
    std::optional<FilmWriter> film;  // none when cut short
    std::int64_t size = 0;           // the movie's, or where the try was cut short
    std::int64_t pictureBytes = 0;   // of the whole movie; projected when cut short
    std::int64_t room = 0;           // for pictures beside the sound and the header
    std::int64_t frames = 0;
    double seconds = 0;
};

// One re-make: the same steps for a video and for subtitles, each try at
// one quality step.
class Remake {
public:
    Remake(const RemakeRequest& request, const RemakeEvents& events)
        : request_(request), events_(events), original_(request.original),
          budget_(static_cast<std::int64_t>(request.original.size()))
    {
    }

    RemakeResult run();

private:
    Attempt trySubtitles(const QualityStep& step, bool mayCutShort);
    Attempt tryVideo(const QualityStep& step, bool mayCutShort);
    void checkStop() const;
    void progress(double fraction) const;
    // The sound from `from` on, `n` sample frames of it, as FILM keeps it.
    std::vector<std::uint8_t> filmSound(const std::vector<std::int16_t>& sound, std::int64_t from,
                                        std::int64_t n) const;

    const RemakeRequest& request_;
    const RemakeEvents& events_;
    OriginalMovie original_;
    std::int64_t budget_;
    std::optional<Subtitles> subtitles_;
    int attempt_ = 0, quality_ = 100;
};

void Remake::checkStop() const
{
    if (events_.stopRequested && events_.stopRequested())
        throw RemakeFailure(RemakeFailure::Stopped);
}

void Remake::progress(double fraction) const
{
    if (events_.progress)
        events_.progress(attempt_, quality_, std::clamp(fraction, 0.0, 1.0));
}

RemakeResult Remake::run()
{
    const FilmInfo& info = original_.info();
    SubtitleFormat format;
    if (subtitleFormatOfFile(request_.source, format)) {
        // The disc's movie itself is encoded again: all of it must be there.
        if (!original_.complete())
            throw RemakeFailure(RemakeFailure::OriginalUnreadable);
        if (info.seconds() > request_.maxSeconds)
            throw tooLong(info.seconds(), request_.maxSeconds);
        auto read = readSubtitles(request_.source);
        if (const auto* problem = std::get_if<SubtitleProblem>(&read)) {
            RemakeFailure failure(RemakeFailure::SubtitlesUnusable, request_.source);
            failure.subtitleProblem = *problem;
            throw failure;
        }
        subtitles_ = std::move(std::get<Subtitles>(read));
    } else if (info.audioChannels > 0 &&
               (!original_.pcmSound() || (info.audioBits != 8 && info.audioBits != 16) || info.audioChannels > 2)) {
        throw RemakeFailure(RemakeFailure::SoundUnsupported);
    }

    const std::span<const QualityStep> steps = QualityLadder::steps();
    const int lowest = static_cast<int>(steps.size()) - 1;
    int step = 0;
    for (;;) {
        ++attempt_;
        quality_ = steps[static_cast<std::size_t>(step)].percent;
        progress(0);
        // The lowest step runs to its end, to tell how big the smallest movie is.
        const bool mayCutShort = step < lowest;
        Attempt a = subtitles_ ? trySubtitles(steps[std::size_t(step)], mayCutShort)
                               : tryVideo(steps[std::size_t(step)], mayCutShort);
        if (a.film && a.size <= budget_) {
            progress(1);
            RemakeResult result;
            result.bytes = a.film->finish(request_.original.size());
            result.movieBytes = a.size;
            result.quality = quality_;
            result.attempts = attempt_;
            result.frames = a.frames;
            result.seconds = a.seconds;
            return result;
        }
        if (step == lowest) {
            RemakeFailure failure(RemakeFailure::DoesNotFit);
            failure.smallest = a.size;
            failure.budget = budget_;
            throw failure;
        }
        step = QualityLadder::next(step, a.pictureBytes, a.room);
    }
}

Attempt Remake::trySubtitles(const QualityStep& step, bool mayCutShort)
{
    const FilmInfo& info = original_.info();
    CinepakEncoder encoder(info.width, info.height, step);
    OriginalPictures pictures(info.width, info.height, *subtitles_);
    FilmWriter film(original_.layout());
    const auto& samples = original_.samples();
    // Everything but the pictures is the original's: its header's length and its sound.
    std::int64_t fixed = film.size() + std::int64_t(samples.size() * FilmWriter::RecordSize);
    for (const auto& s : samples)
        if (s.sound)
            fixed += std::int64_t(s.bytes.size());

    Attempt a;
    a.room = budget_ - fixed;
    const std::uint32_t first = samples.empty() ? 0 : samples.front().time;
    std::int64_t done = 0;
    for (const auto& s : samples) {
        checkStop();
        if (s.sound) {
            film.addSound(s.bytes);
            continue;
        }
        const std::int64_t ms = std::int64_t(s.time - std::min(s.time, first)) * 1000 / info.timeBase;
        CinepakEncoder::Frame frame = encoder.encode(pictures.picture(s.bytes, ms));
        film.addPicture(frame.bytes, s.time, s.duration, frame.key);
        a.pictureBytes += std::int64_t(frame.bytes.size() + original_.layout().framePadding.size());
        ++done;
        progress(double(done) / double(info.frames));
        if (mayCutShort && a.pictureBytes > a.room) {
            a.size = fixed + a.pictureBytes;
            a.pictureBytes = a.pictureBytes * info.frames / done;
            return a;
        }
    }
    a.frames = done;
    a.seconds = info.seconds();
    a.size = film.size();
    a.film.emplace(std::move(film));
    return a;
}

std::vector<std::uint8_t> Remake::filmSound(const std::vector<std::int16_t>& sound, std::int64_t from,
                                            std::int64_t n) const
{
    const int channels = original_.info().audioChannels;
    const bool wide = original_.info().audioBits == 16;
    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(n) * std::size_t(channels) * (wide ? 2 : 1));
    const auto available = std::int64_t(sound.size()) / channels;
    // Each channel's samples after the other's; silence past the source's end.
    for (int c = 0; c < channels; ++c)
        for (std::int64_t i = from; i < from + n; ++i) {
            const std::int16_t v = i < available ? sound[std::size_t(i * channels + c)] : 0;
            if (wide) {
                out.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
                out.push_back(static_cast<std::uint8_t>(v));
            } else {
                out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(v >> 8)));
            }
        }
    return out;
}

Attempt Remake::tryVideo(const QualityStep& step, bool mayCutShort)
{
    const FilmInfo& info = original_.info();
    const int channels = info.audioChannels;
    const std::int64_t base = info.timeBase;
    const std::int64_t ticks = original_.frameTicks();
    const double limit = request_.maxSeconds;
    VideoSource source(request_.source, info.audioRate, channels);
    if (source.seconds() > limit)
        throw tooLong(source.seconds(), limit);
    CinepakEncoder encoder(info.width, info.height, step);

    const auto frameTime = [&](std::int64_t k) { return double(k * ticks) / double(base); };
    const std::int64_t expected =
        source.seconds() > 0 ? std::max<std::int64_t>(1, std::llround(std::ceil(source.seconds() * base / ticks))) : 0;
    const int soundFrameBytes = channels * info.audioBits / 8;
    // The sound's bytes and the header's records, as the source's length tells.
    const std::int64_t fixedExpected =
        std::int64_t(original_.layout().preamble.size()) + 16 +
        std::int64_t(source.seconds() * info.audioRate) * soundFrameBytes +
        expected * std::int64_t(FilmWriter::RecordSize) *
            (channels > 0 ? 1 + std::max<std::int64_t>(1, info.audioRate * ticks / base / original_.soundChunk()) : 1);

    FramePtr shown = newFrame();
    shown->format = AV_PIX_FMT_RGB24;
    shown->width = info.width;
    shown->height = info.height;
    if (av_frame_get_buffer(shown.get(), 0) < 0)
        throw std::bad_alloc();
    FramePtr held = newFrame();  // the source's picture shown until the next one's time
    bool holding = false, fitted = false;
    std::vector<CinepakEncoder::Frame> frames;
    std::vector<std::int16_t> sound;
    Attempt a;

    // Emits the held picture as frame after frame until `until` seconds;
    // false when the try is cut short.
    const auto showUntil = [&](double until) {
        while (frameTime(std::int64_t(frames.size())) < until) {
            checkStop();
            if (frameTime(std::int64_t(frames.size())) > limit)
                throw tooLong(frameTime(std::int64_t(frames.size())), limit);
            if (!fitted) {
                source.fit(*held, *shown);
                fitted = true;
            }
            frames.push_back(encoder.encode(*shown));
            a.pictureBytes += std::int64_t(frames.back().bytes.size() + original_.layout().framePadding.size());
            const auto done = std::int64_t(frames.size());
            if (expected > 0)
                progress(double(done) / double(expected));
            // Sound and records only grow: past the budget now is past it at the end.
            const std::int64_t fixedNow = std::int64_t(sound.size()) / std::max(1, channels) * soundFrameBytes +
                                          done * std::int64_t(FilmWriter::RecordSize);
            if (mayCutShort && a.pictureBytes + fixedNow > budget_) {
                a.size = a.pictureBytes + fixedNow;
                a.room = budget_ - std::max(fixedNow, fixedExpected);
                if (expected > done)
                    a.pictureBytes = a.pictureBytes * expected / done;
                return false;
            }
        }
        return true;
    };

    double last = 0, lastStep = 0;
    while (source.nextPicture(sound)) {
        checkStop();
        const double t = source.time();
        if (t > limit)
            throw tooLong(t, limit);
        if (holding) {
            if (!showUntil(t))
                return a;
            if (t > last)
                lastStep = t - last;
        }
        av_frame_unref(held.get());
        if (av_frame_ref(held.get(), &source.picture()) < 0)
            throw std::bad_alloc();
        holding = true;
        fitted = false;
        last = t;
    }
    if (!holding)
        throw RemakeFailure(RemakeFailure::NoPictures, request_.source);
    // The last picture lasts as long as the source's frames do.
    double lastLasts = source.frameSeconds() > 0 ? source.frameSeconds() : lastStep;
    if (lastLasts <= 0)
        lastLasts = double(ticks) / double(base);
    if (last + lastLasts > limit + double(ticks) / double(base))
        throw tooLong(last + lastLasts, limit);
    if (!showUntil(last + lastLasts))
        return a;

    // Laid out as the original lies: its lead of sound, then a record of
    // sound whenever the pictures near the end of what was given.
    FilmWriter film(original_.layout());
    const auto n = std::int64_t(frames.size());
    const std::int64_t soundEnd = n * ticks * info.audioRate / base;
    const std::int64_t lead = original_.soundLead(), chunk = original_.soundChunk();
    std::int64_t written = 0;
    const auto soundUntil = [&](std::int64_t until) {
        while (channels > 0 && written < until) {
            const std::int64_t count = std::min(chunk, soundEnd - written);
            film.addSound(filmSound(sound, written, count));
            written += count;
        }
    };
    for (std::int64_t k = 0; k < n; ++k) {
        soundUntil(std::min(soundEnd, k * ticks * info.audioRate / base + lead));
        const auto& f = frames[std::size_t(k)];
        film.addPicture(f.bytes, static_cast<std::uint32_t>(k * ticks), static_cast<std::uint32_t>(ticks), f.key);
    }
    soundUntil(soundEnd);
    a.size = film.size();
    a.room = budget_ - (a.size - a.pictureBytes);
    a.frames = n;
    a.seconds = double(n * ticks) / double(base);
    a.film.emplace(std::move(film));
    return a;
}

}  // namespace

RemakeFailure::RemakeFailure(Code code, std::string file)
    : std::runtime_error(file.empty() ? codeName(code) : std::string(codeName(code)) + ": " + file), code(code),
      file(std::move(file))
{
}

RemakeResult remakeMovie(const RemakeRequest& request, const RemakeEvents& events)
{
    return Remake(request, events).run();
}

}  // namespace hotaru
