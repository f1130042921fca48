#include "remake/VideoSource.h"

#include "remake/MovieRemake.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace hotaru {

VideoSource::VideoSource(const std::string& path, int rate, int channels)
    : path_(path), rate_(rate), channels_(channels)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, fileUrl(path).c_str(), nullptr, nullptr) < 0)
        throw RemakeFailure(RemakeFailure::SourceUnreadable, path);
    input_.reset(raw);
    if (avformat_find_stream_info(input_.get(), nullptr) < 0)
        throw RemakeFailure(RemakeFailure::SourceUnreadable, path);
    for (unsigned i = 0; i < input_->nb_streams; ++i) {
        const AVStream& st = *input_->streams[i];
        const AVMediaType type = st.codecpar->codec_type;
        // A cover picture in a music file is no video.
        if (type == AVMEDIA_TYPE_VIDEO && videoIndex_ < 0 && !(st.disposition & AV_DISPOSITION_ATTACHED_PIC))
            videoIndex_ = static_cast<int>(i);
        else if (type == AVMEDIA_TYPE_AUDIO && soundIndex_ < 0 && channels_ > 0)
            soundIndex_ = static_cast<int>(i);
    }
    if (videoIndex_ < 0)
        throw RemakeFailure(RemakeFailure::NoPictures, path);
    openDecoder(*input_->streams[videoIndex_], video_);
    if (soundIndex_ >= 0)
        openDecoder(*input_->streams[soundIndex_], sound_);
    if (input_->duration > 0)
        seconds_ = static_cast<double>(input_->duration) / AV_TIME_BASE;
    const AVRational fps = input_->streams[videoIndex_]->avg_frame_rate;
    if (fps.num > 0 && fps.den > 0)
        frameSeconds_ = av_q2d(av_inv_q(fps));
}

void VideoSource::openDecoder(const AVStream& stream, CodecPtr& into)
{
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec)
        throw RemakeFailure(RemakeFailure::SourceUnreadable, path_);
    into.reset(avcodec_alloc_context3(codec));
    if (!into)
        throw std::bad_alloc();
    into->pkt_timebase = stream.time_base;
    if (avcodec_parameters_to_context(into.get(), stream.codecpar) < 0 || avcodec_open2(into.get(), codec, nullptr) < 0)
        throw RemakeFailure(RemakeFailure::SourceUnreadable, path_);
}

bool VideoSource::nextPicture(std::vector<std::int16_t>& sound)
{
    for (;;) {
        av_frame_unref(frame_.get());
        const int rc = avcodec_receive_frame(video_.get(), frame_.get());
        if (rc >= 0) {
            const AVRational clock = input_->streams[videoIndex_]->time_base;
            const std::int64_t ts = frame_->best_effort_timestamp;
            double t = ts == AV_NOPTS_VALUE ? time_ + frameSeconds_ : double(ts) * av_q2d(clock);
            if (!started_) {
                started_ = true;
                start_ = t;
                time_ = 0;
            } else {
                // Time never runs backwards: a late stamp shows with the one before.
                time_ = std::max(time_, t - start_);
            }
            return true;
        }
        if (rc == AVERROR_EOF) {
            if (sound_)
                decodeSound(nullptr, sound);
            return false;
        }
        if (rc != AVERROR(EAGAIN))
            return false;  // the damage ends the video; what came before stays
        if (ended_)
            return false;
        if (av_read_frame(input_.get(), packet_.get()) < 0) {
            // The end, or damage: either way what was decoded is all there is.
            ended_ = true;
            avcodec_send_packet(video_.get(), nullptr);
            continue;
        }
        if (packet_->stream_index == videoIndex_)
            avcodec_send_packet(video_.get(), packet_.get());  // a damaged packet is passed over
        else if (packet_->stream_index == soundIndex_)
            decodeSound(packet_.get(), sound);
        av_packet_unref(packet_.get());
    }
}

void VideoSource::decodeSound(const AVPacket* pkt, std::vector<std::int16_t>& sound)
{
    if (avcodec_send_packet(sound_.get(), pkt) < 0 && pkt)
        return;  // damaged: left out
    while (avcodec_receive_frame(sound_.get(), soundFrame_.get()) >= 0) {
        resample(soundFrame_.get(), sound);
        av_frame_unref(soundFrame_.get());
    }
    if (!pkt)
        resample(nullptr, sound);
}

void VideoSource::resample(const AVFrame* f, std::vector<std::int16_t>& sound)
{
    if (!resampler_) {
        if (!f)
            return;
        AVChannelLayout out;
        av_channel_layout_default(&out, channels_);
        AVChannelLayout in{};
        if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&f->ch_layout) == 0)
            av_channel_layout_default(&in, f->ch_layout.nb_channels);
        else if (av_channel_layout_copy(&in, &f->ch_layout) < 0)
            throw std::bad_alloc();
        SwrContext* raw = nullptr;
        const int rc = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_S16, rate_, &in, AVSampleFormat(f->format),
                                           f->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        resampler_.reset(raw);
        if (rc < 0 || swr_init(resampler_.get()) < 0) {
            // Sound the resampler cannot take stays silent.
            resampler_.reset();
            soundIndex_ = -1;
            return;
        }
    }
    const int in = f ? f->nb_samples : 0;
    const int room = swr_get_out_samples(resampler_.get(), in);
    if (room <= 0)
        return;
    const std::size_t at = sound.size();
    sound.resize(at + std::size_t(room) * std::size_t(channels_));
    std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(sound.data() + at)};
    const int n = swr_convert(resampler_.get(), planes, room,
                              f ? const_cast<const std::uint8_t**>(f->extended_data) : nullptr, in);
    sound.resize(at + std::size_t(std::max(n, 0)) * std::size_t(channels_));
}

void VideoSource::fit(const AVFrame& decoded, AVFrame& out)
{
    const int width = out.width, height = out.height;
    // The picture's shape as shown: its pixels may not be square. The
    // container's word goes before the codec's, as players take it.
    AVRational sar =
        av_guess_sample_aspect_ratio(input_.get(), input_->streams[videoIndex_], const_cast<AVFrame*>(&decoded));
    if (sar.num <= 0 || sar.den <= 0)
        sar = AVRational{1, 1};
    const double shape = double(decoded.width) * av_q2d(sar) / double(decoded.height);
    int boxWidth = width, boxHeight = static_cast<int>(std::lround(width / shape));
    if (boxHeight > height) {
        boxHeight = height;
        boxWidth = static_cast<int>(std::lround(height * shape));
    }
    boxWidth = std::clamp(boxWidth, 1, width);
    boxHeight = std::clamp(boxHeight, 1, height);
    const int x = (width - boxWidth) / 2, y = (height - boxHeight) / 2;

    if (av_frame_make_writable(&out) < 0)
        throw std::bad_alloc();
    for (int row = 0; row < height; ++row)
        std::memset(out.data[0] + std::ptrdiff_t(row) * out.linesize[0], 0, std::size_t(width) * 3);
    // Scaled apart and copied in: the scaler writes rows past their width.
    if (box_->width != boxWidth || box_->height != boxHeight) {
        av_frame_unref(box_.get());
        box_->format = AV_PIX_FMT_RGB24;
        box_->width = boxWidth;
        box_->height = boxHeight;
        if (av_frame_get_buffer(box_.get(), 0) < 0)
            throw std::bad_alloc();
    }
    scaler_.reset(sws_getCachedContext(scaler_.release(), decoded.width, decoded.height, AVPixelFormat(decoded.format),
                                       boxWidth, boxHeight, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler_)
        throw RemakeFailure(RemakeFailure::SourceUnreadable, path_);
    sws_scale(scaler_.get(), decoded.data, decoded.linesize, 0, decoded.height, box_->data, box_->linesize);
    for (int row = 0; row < boxHeight; ++row)
        std::memcpy(out.data[0] + std::ptrdiff_t(y + row) * out.linesize[0] + std::ptrdiff_t(x) * 3,
                    box_->data[0] + std::ptrdiff_t(row) * box_->linesize[0], std::size_t(boxWidth) * 3);
}

}  // namespace hotaru
