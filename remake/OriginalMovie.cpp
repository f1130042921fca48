#include "remake/OriginalMovie.h"

#include "movie/CinepakFrame.h"
#include "movie/FilmSource.h"
#include "platform/Bytes.h"
#include "remake/MovieRemake.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace hotaru {

namespace {

// Above this STAB's size field is taken for something else, and the usual
// 16 bytes of its head are written instead.
constexpr std::uint32_t MaxTableSizeExtra = 64;

}  // namespace

OriginalMovie::OriginalMovie(const std::vector<std::uint8_t>& bytes)
{
    const auto size = static_cast<std::int64_t>(bytes.size());
    const std::optional<FilmInfo> info = readFilmHeader(bytes.data(), bytes.size(), size);
    if (!info || info->videoCodec != "cvid" || info->width <= 0 || info->height <= 0 || info->timeBase <= 0)
        throw RemakeFailure(RemakeFailure::OriginalUnreadable);
    info_ = *info;
    readLayout(bytes);
    readSamples(bytes);
    measure();
}

void OriginalMovie::readLayout(const std::vector<std::uint8_t>& bytes)
{
    const auto tableAt = static_cast<std::size_t>(info_.tableAt);
    layout_.preamble.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(tableAt));
    layout_.timeBase = static_cast<std::uint32_t>(info_.timeBase);
    const std::uint32_t tableSize = bigEndian32(bytes.data() + tableAt + 4);
    const std::uint64_t count = bigEndian32(bytes.data() + tableAt + 12);
    if (tableSize >= count * FilmWriter::RecordSize && tableSize - count * FilmWriter::RecordSize <= MaxTableSizeExtra)
        layout_.tableSizeExtra = static_cast<std::uint32_t>(tableSize - count * FilmWriter::RecordSize);
}

void OriginalMovie::readSamples(const std::vector<std::uint8_t>& bytes)
{
    const ArchiveRead read = [&bytes](std::int64_t at, void* buffer, std::size_t n) {
        if (at < 0 || static_cast<std::uint64_t>(at) + n > bytes.size())
            throw std::out_of_range("outside the movie");
        std::memcpy(buffer, bytes.data() + at, n);
    };
    FilmSource source(read, 0, static_cast<std::int64_t>(bytes.size()));
    if (!source.opened() || !source.video())
        throw RemakeFailure(RemakeFailure::OriginalUnreadable);
    const AVStream* sound = source.sound();
    pcmSound_ = sound && (sound->codecpar->codec_id == AV_CODEC_ID_PCM_S16BE_PLANAR ||
                          sound->codecpar->codec_id == AV_CODEC_ID_PCM_S8_PLANAR);
    PacketPtr pkt = newPacket();
    std::int64_t pictures = 0;
    while (av_read_frame(&source.input(), pkt.get()) >= 0) {
        Sample s;
        s.bytes.assign(pkt->data, pkt->data + pkt->size);
        if (pkt->stream_index == source.video()->index) {
            s.time = static_cast<std::uint32_t>(pkt->pts == AV_NOPTS_VALUE ? 0 : pkt->pts);
            s.key = (pkt->flags & AV_PKT_FLAG_KEY) != 0;
            ++pictures;
            samples_.push_back(std::move(s));
        } else if (sound && pkt->stream_index == sound->index) {
            s.sound = true;
            samples_.push_back(std::move(s));
        }
        av_packet_unref(pkt.get());
    }
    if (pictures == 0)
        throw RemakeFailure(RemakeFailure::OriginalUnreadable);
    complete_ = source.layout() == FilmSource::Layout::Fine && !source.readFailed() && pictures == info_.frames;
}

void OriginalMovie::measure()
{
    // Each picture lasts until the next; the last takes what the header's
    // sum leaves, else the usual.
    frameTicks_ = static_cast<std::uint32_t>(
        std::max<std::int64_t>(1, std::llround(static_cast<double>(info_.durationTicks) / double(info_.frames))));
    Sample* last = nullptr;
    std::int64_t summed = 0;
    for (Sample& s : samples_) {
        if (s.sound)
            continue;
        if (last) {
            last->duration = s.time > last->time ? s.time - last->time : frameTicks_;
            summed += last->duration;
        }
        last = &s;
    }
    const std::int64_t rest = info_.durationTicks - summed;
    last->duration = rest > 0 && rest <= std::int64_t{4} * frameTicks_ ? static_cast<std::uint32_t>(rest) : frameTicks_;

    // The padding FILM put into the first frame, and what its length field says.
    for (const Sample& s : samples_) {
        if (s.sound)
            continue;
        const int padding = filmPaddingSize(s.bytes);
        const std::uint32_t length = cinepakLengthField(s.bytes);
        if (padding >= 0 && length <= s.bytes.size() && s.bytes.size() - length <= 16u + unsigned(padding)) {
            const auto from = s.bytes.begin() + CinepakHeaderSize;
            layout_.framePadding.assign(from, from + padding);
            layout_.lengthShortBy = static_cast<std::uint32_t>(s.bytes.size() - length);
        }
        break;
    }

    const int frameBytes = info_.audioChannels * info_.audioBits / 8;
    if (frameBytes <= 0)
        return;
    bool pictureSeen = false;
    std::int64_t firstChunk = 0;
    for (const Sample& s : samples_) {
        const auto frames = static_cast<std::int64_t>(s.bytes.size()) / frameBytes;
        if (!s.sound)
            pictureSeen = true;
        else if (!pictureSeen)
            soundLead_ += frames;
        else if (soundChunk_ == 0)
            soundChunk_ = frames;
        if (s.sound && firstChunk == 0)
            firstChunk = frames;
    }
    if (soundChunk_ == 0)
        soundChunk_ = firstChunk;
    if (soundChunk_ <= 0)
        soundChunk_ = std::max<std::int64_t>(1, std::int64_t{info_.audioRate} * frameTicks_ / info_.timeBase);
}

}  // namespace hotaru
