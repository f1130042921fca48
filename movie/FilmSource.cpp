#include "movie/FilmSource.h"

#include "movie/FilmHeader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace hotaru {

namespace {

constexpr int AvioBufferSize = 32 * 1024;

}  // namespace

// The movie's bytes, a file of their own to FFmpeg.
struct FilmSource::Range {
    const ArchiveRead& read;
    std::int64_t offset;
    std::int64_t size;
    std::int64_t pos = 0;
    bool failed = false;  // `read` threw

    // No exception from `read` may unwind through FFmpeg's C frames.
    bool readAt(std::int64_t at, void* buffer, std::size_t n)
    {
        try {
            read(offset + at, buffer, n);
            return true;
        } catch (...) {
            failed = true;
            return false;
        }
    }

    static int readPacket(void* opaque, std::uint8_t* buffer, int n)
    {
        Range& r = *static_cast<Range*>(opaque);
        if (r.pos >= r.size || n <= 0)
            return AVERROR_EOF;
        const auto count = static_cast<int>(std::min<std::int64_t>(n, r.size - r.pos));
        if (!r.readAt(r.pos, buffer, static_cast<std::size_t>(count)))
            return AVERROR(EIO);
        r.pos += count;
        return count;
    }

    static std::int64_t seek(void* opaque, std::int64_t to, int whence)
    {
        Range& r = *static_cast<Range*>(opaque);
        if (whence & AVSEEK_SIZE)
            return r.size;
        // avio_seek hands every other seek on as SEEK_SET.
        if ((whence & ~AVSEEK_FORCE) != SEEK_SET || to < 0 || to > r.size)
            return AVERROR(EINVAL);
        r.pos = to;
        return to;
    }

    // The header and sample table as the one FILM reader sees them, before
    // FFmpeg trusts them: FFmpeg allocates for any count the table names,
    // and one sample could bring the whole movie into memory.
    std::optional<FilmInfo> header()
    {
        try {
            return readFilmHeader(
                [this](std::int64_t at, void* buffer, std::size_t n) { read(offset + at, buffer, n); }, size);
        } catch (...) {
            failed = true;
            return std::nullopt;
        }
    }
};

void FilmSource::AvioDeleter::operator()(AVIOContext* c) const
{
    av_freep(&c->buffer);  // FFmpeg may have swapped the one we gave it
    avio_context_free(&c);
}

FilmSource::FilmSource(const ArchiveRead& read, std::int64_t offset, std::int64_t size)
{
    const std::int64_t usable = offset < 0 ? 0 : std::clamp<std::int64_t>(size, 0, INT64_MAX - offset);
    range_ = std::make_unique<Range>(Range{read, offset, usable});
    const std::optional<FilmInfo> info = range_->header();
    const AVInputFormat* film = av_find_input_format("film_cpk");
    if (!info || !film)
        return;
    layout_ = info->samplesOutside ? Layout::SamplesOutside : Layout::Fine;

    auto* buffer = static_cast<unsigned char*>(av_malloc(AvioBufferSize));
    AVIOContext* avio =
        buffer ? avio_alloc_context(buffer, AvioBufferSize, 0, range_.get(), Range::readPacket, nullptr, Range::seek)
               : nullptr;
    if (!avio) {
        av_free(buffer);
        throw std::bad_alloc();
    }
    io_.reset(avio);
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        throw std::bad_alloc();
    raw->pb = io_.get();
    if (avformat_open_input(&raw, nullptr, film, nullptr) < 0)
        return;  // FFmpeg has freed it
    input_.reset(raw);

    bool sawVideo = false;
    for (unsigned i = 0; i < input_->nb_streams; ++i) {
        AVStream* st = input_->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !sawVideo) {
            sawVideo = true;
            video_ = st->codecpar->codec_id == AV_CODEC_ID_CINEPAK ? st : nullptr;
        } else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !sound_)
            sound_ = st;
    }
    if (!video_)
        return;
    // What the header says, as the command line and the converter take it.
    if (info->width > 0 && info->height > 0) {
        width_ = info->width;
        height_ = info->height;
    }
    frameRate_ = info->frameRate();
    seconds_ = info->seconds();
}

FilmSource::~FilmSource() = default;

bool FilmSource::readFailed() const { return range_->failed; }

bool FilmSource::seek(int stream, std::int64_t timestamp, int flags)
{
    if (!input_)
        return false;
    range_->failed = false;
    io_->error = 0;  // else a read that finds nothing reports the old error
    return av_seek_frame(input_.get(), stream, timestamp, flags) >= 0;
}

}  // namespace hotaru
