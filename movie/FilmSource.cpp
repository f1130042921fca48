#include "movie/FilmSource.h"

#include "platform/Bytes.h"

#include "movie/CinepakFrame.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace hotaru {

namespace {

constexpr std::uint32_t MaxSampleBytes = CinepakMaxLength + 16;  // the frame's 24-bit length and FILM's padding
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

    // Checks the header before FFmpeg trusts it: the sample table must lie
    // inside the header (or FFmpeg allocates for any count it names), and
    // every sample inside the range and no bigger than a frame can be (or one
    // sample could bring the whole movie into memory). The header is "FILM",
    // its length and version; FDSC (20 bytes for version 0, else 32); STAB
    // with the record count at +12, then 16-byte records: offset from the
    // header's end, size, time, duration.
    Layout checkLayout()
    {
        std::uint8_t head[64] = {};
        if (size < static_cast<std::int64_t>(sizeof head) || !readAt(0, head, sizeof head))
            return Layout::Broken;
        const std::uint64_t headerSize = bigEndian32(head + 4);
        const std::size_t stab = bigEndian32(head + 8) == 0 ? 36 : 48;
        const std::uint64_t tableEnd = stab + 16 + std::uint64_t{bigEndian32(head + stab + 12)} * 16;
        if (bigEndian32(head + stab) != 0x53544142 || tableEnd > headerSize || headerSize > std::uint64_t(size))
            return Layout::Broken;
        Layout layout = Layout::Fine;
        std::vector<std::uint8_t> records;
        for (std::uint64_t at = stab + 16; at < tableEnd; at += records.size()) {
            records.resize(std::min<std::uint64_t>(tableEnd - at, 4096 * 16));
            if (!readAt(static_cast<std::int64_t>(at), records.data(), records.size()))
                return Layout::Broken;
            for (std::size_t i = 0; i < records.size(); i += 16) {
                const std::uint32_t n = bigEndian32(&records[i + 4]);
                if (n > MaxSampleBytes || headerSize + bigEndian32(&records[i]) + n > std::uint64_t(size))
                    layout = Layout::SamplesOutside;
            }
        }
        return layout;
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
    layout_ = range_->checkLayout();
    const AVInputFormat* film = av_find_input_format("film_cpk");
    if (layout_ == Layout::Broken || !film)
        return;

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
    const int w = video_->codecpar->width;
    const int h = video_->codecpar->height;
    if (w > 0 && h > 0 && w <= MaxPictureSide && h <= MaxPictureSide) {
        width_ = w;
        height_ = h;
    }
    const int frames = avformat_index_get_entries_count(video_);
    if (frames < 2 || video_->time_base.num <= 0 || video_->time_base.den <= 0)
        return;
    const std::int64_t first = avformat_index_get_entry(video_, 0)->timestamp;
    const std::int64_t last = avformat_index_get_entry(video_, frames - 1)->timestamp;
    const double span = static_cast<double>(last - first) * av_q2d(video_->time_base);
    if (span > 0) {
        frameRate_ = (frames - 1) / span;
        seconds_ = frames / frameRate_;
    }
}

FilmSource::~FilmSource() = default;

bool FilmSource::readFailed() const { return range_->failed; }

}  // namespace hotaru
