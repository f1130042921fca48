#include "cpk2avi/SubtitleWriter.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

namespace hotaru {

namespace {

// What the SRT and MP4 text encoders read their default style from: white on
// a black outline, centred at the bottom.
constexpr std::string_view DefaultAssHeader =
    "[Script Info]\n"
    "ScriptType: v4.00+\n"
    "PlayResX: 384\n"
    "PlayResY: 288\n"
    "ScaledBorderAndShadow: yes\n"
    "\n"
    "[V4+ Styles]\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
    "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, "
    "MarginV, Encoding\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,1\n"
    "\n"
    "[Events]\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

constexpr AVRational Milliseconds{1, 1000};

// Lines joined by ASS's own line break.
std::string assLines(std::string_view text)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\\N") : std::string(1, c);
    return out;
}

}  // namespace

AVCodecID subtitleCodecFor(const Subtitles& subtitles, bool movText)
{
    if (movText)
        return AV_CODEC_ID_MOV_TEXT;
    return subtitles.format == SubtitleFormat::Ass ? AV_CODEC_ID_ASS : AV_CODEC_ID_SUBRIP;
}

SubtitleWriter::SubtitleWriter(const Subtitles& subtitles, AVCodecID codec, const std::string& out)
    : subtitles_(subtitles), out_(out)
{
    const AVCodec* encoder = avcodec_find_encoder(codec);
    if (!encoder)
        throw ConvertError("cannot write " + inQuotes(out) + ": this build has no " + avcodec_get_name(codec) +
                           " subtitle encoder");
    encoder_.reset(avcodec_alloc_context3(encoder));
    if (!encoder_)
        throw std::bad_alloc();
    encoder_->time_base = Milliseconds;
    // The encoders take their styles from an ASS header, an ASS file's own when it goes as it is.
    const std::string_view header = codec == AV_CODEC_ID_ASS ? std::string_view(subtitles.assHeader) : DefaultAssHeader;
    encoder_->subtitle_header = static_cast<std::uint8_t*>(av_mallocz(header.size() + 1));
    if (!encoder_->subtitle_header)
        throw std::bad_alloc();
    std::memcpy(encoder_->subtitle_header, header.data(), header.size());
    encoder_->subtitle_header_size = static_cast<int>(header.size());
    if (const int rc = avcodec_open2(encoder_.get(), encoder, nullptr); rc < 0)
        throw ConvertError("cannot start the subtitle encoder for " + inQuotes(out) + ": " + avErrorText(rc));
}

void SubtitleWriter::addTo(AVFormatContext& output)
{
    stream_ = avformat_new_stream(&output, nullptr);
    if (!stream_)
        throw std::bad_alloc();
    checkWrite(avcodec_parameters_from_context(stream_->codecpar, encoder_.get()), out_);
    stream_->time_base = Milliseconds;
    stream_->disposition |= AV_DISPOSITION_DEFAULT;
    av_dict_set(&stream_->metadata, "language", subtitles_.language.c_str(), 0);
}

std::string SubtitleWriter::dialogue(const SubtitleCue& cue, int readOrder) const
{
    // ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text
    std::string line = std::to_string(readOrder) + ",";
    if (encoder_->codec_id == AV_CODEC_ID_ASS)
        return line + cue.raw;
    // SRT's own markup goes on as written; MP4's text takes no markup.
    return line + "0,Default,,0,0,0,," +
           assLines(encoder_->codec_id == AV_CODEC_ID_SUBRIP ? std::string_view(cue.raw) : cue.text);
}

void SubtitleWriter::writeCues(AVFormatContext& output)
{
    // A track's packets go in time order; the file's order stays in ReadOrder.
    const std::vector<SubtitleCue>& cues = subtitles_.cues;
    std::vector<std::size_t> order(cues.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return cues[a].startMs < cues[b].startMs; });
    std::vector<std::uint8_t> buffer;
    PacketPtr packet = newPacket();
    std::int64_t lastStart = -1;
    for (const std::size_t index : order) {
        const SubtitleCue& cue = cues[index];
        // MP4's text samples follow each other, so two may not start together.
        std::int64_t start = cue.startMs;
        if (encoder_->codec_id == AV_CODEC_ID_MOV_TEXT && start <= lastStart)
            start = lastStart + 1;
        if (cue.endMs <= start)
            continue;
        lastStart = start;
        std::string line = dialogue(cue, static_cast<int>(index));
        AVSubtitleRect rect{};
        rect.type = SUBTITLE_ASS;
        rect.ass = line.data();
        AVSubtitleRect* rects[] = {&rect};
        AVSubtitle subtitle{};
        subtitle.num_rects = 1;
        subtitle.rects = rects;
        subtitle.end_display_time = static_cast<std::uint32_t>(cue.endMs - start);
        subtitle.pts = av_rescale_q(start, Milliseconds, AV_TIME_BASE_Q);
        // Room for the markup an encoder adds around the text.
        buffer.resize(std::max<std::size_t>(AV_INPUT_BUFFER_MIN_SIZE, line.size() * 8 + 1024));
        const int size =
            avcodec_encode_subtitle(encoder_.get(), buffer.data(), static_cast<int>(buffer.size()), &subtitle);
        if (size < 0)
            throw ConvertError("cannot encode the subtitle at " + std::to_string(cue.startMs) + " ms for " +
                               inQuotes(out_) + ": " + avErrorText(size));
        if (size == 0)
            continue;  // a cue with no text
        checkWrite(av_new_packet(packet.get(), size), out_);
        std::memcpy(packet->data, buffer.data(), static_cast<std::size_t>(size));
        packet->pts = packet->dts = start;
        packet->duration = cue.endMs - start;
        packet->stream_index = stream_->index;
        av_packet_rescale_ts(packet.get(), Milliseconds, stream_->time_base);
        checkWrite(av_interleaved_write_frame(&output, packet.get()), out_);
    }
}

}  // namespace hotaru
