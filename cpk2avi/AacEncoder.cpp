#include "cpk2avi/AacEncoder.h"

#include "cpk2avi/ConvertError.h"
#include "cpk2avi/Mp4Settings.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <climits>

namespace hotaru {

namespace {

// The source's rate when AAC has it, else the nearest above (the nearest below
// at the top), which swresample then resamples to.
int aacSampleRate(const AVCodec& codec, int rate)
{
    if (!codec.supported_samplerates)
        return rate;
    int above = INT_MAX;
    int highest = 0;
    for (const int* r = codec.supported_samplerates; *r != 0; ++r) {
        if (*r == rate)
            return rate;
        if (*r > rate && *r < above)
            above = *r;
        if (*r > highest)
            highest = *r;
    }
    return above != INT_MAX ? above : highest;
}

}  // namespace

AacEncoder::AacEncoder(const std::string& source, AVSampleFormat format, int channels, int sampleRate,
                       bool globalHeader)
    : source_(source), converted_(newFrame()), frame_(newFrame()), packet_(newPacket())
{
    const AVCodec* codec = avcodec_find_encoder_by_name(Mp4Settings::AudioEncoder);
    if (!codec)
        throw ConvertError(std::string("cannot write MP4: this build has no ") + Mp4Settings::AudioEncoder +
                           " encoder");
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_)
        throw std::bad_alloc();
    encoder_->sample_fmt = AV_SAMPLE_FMT_FLTP;
    encoder_->sample_rate = aacSampleRate(*codec, sampleRate);
    av_channel_layout_default(&encoder_->ch_layout, channels);
    encoder_->bit_rate = Mp4Settings::audioBitRate(channels);
    encoder_->time_base = AVRational{1, encoder_->sample_rate};
    if (globalHeader)
        encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int rc = avcodec_open2(encoder_.get(), codec, nullptr); rc < 0)
        throw ConvertError("cannot start the AAC encoder for " + inQuotes(source_) + ": " + avErrorText(rc));
    openResampler(format, channels, sampleRate);

    fifo_.reset(av_audio_fifo_alloc(encoder_->sample_fmt, channels, encoder_->frame_size));
    if (!fifo_)
        throw std::bad_alloc();
    frame_->format = encoder_->sample_fmt;
    frame_->sample_rate = encoder_->sample_rate;
    frame_->nb_samples = encoder_->frame_size;
    if (av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout) < 0 ||
        av_frame_get_buffer(frame_.get(), 0) < 0)
        throw std::bad_alloc();
}

void AacEncoder::ResamplerDeleter::operator()(SwrContext* s) const { swr_free(&s); }

void AacEncoder::FifoDeleter::operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }

void AacEncoder::openResampler(AVSampleFormat format, int channels, int sampleRate)
{
    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    SwrContext* raw = nullptr;
    const int rc = swr_alloc_set_opts2(&raw, &encoder_->ch_layout, encoder_->sample_fmt, encoder_->sample_rate, &layout,
                                       format, sampleRate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    resampler_.reset(raw);
    if (rc < 0 || swr_init(resampler_.get()) < 0)
        throw ConvertError("cannot convert the audio of " + inQuotes(source_) + " for AAC");
}

void AacEncoder::encode(const AVFrame& sound, const PacketSink& sink)
{
    resample(sound.extended_data, sound.nb_samples);
    encodeFifo(encoder_->frame_size, sink);
}

void AacEncoder::finish(const PacketSink& sink)
{
    resample(nullptr, 0);  // what resampling still holds back
    encodeFifo(1, sink);
    send(nullptr, sink);
}

// Converts `count` samples (none: the end) into the FIFO.
void AacEncoder::resample(const std::uint8_t* const* in, int count)
{
    const int room = swr_get_out_samples(resampler_.get(), count);
    if (room < 0)
        fail(room);
    if (room == 0)
        return;
    if (room > converted_->nb_samples) {
        av_frame_unref(converted_.get());
        converted_->format = encoder_->sample_fmt;
        converted_->nb_samples = room;
        if (av_channel_layout_copy(&converted_->ch_layout, &encoder_->ch_layout) < 0 ||
            av_frame_get_buffer(converted_.get(), 0) < 0)
            throw std::bad_alloc();
    }
    const int made =
        swr_convert(resampler_.get(), converted_->extended_data, room, const_cast<const std::uint8_t**>(in), count);
    if (made < 0)
        fail(made);
    if (made > 0 && av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_->extended_data), made) < made)
        throw std::bad_alloc();
}

// Encodes frames from the FIFO while it holds at least `minimum` samples.
void AacEncoder::encodeFifo(int minimum, const PacketSink& sink)
{
    while (av_audio_fifo_size(fifo_.get()) >= minimum && av_audio_fifo_size(fifo_.get()) > 0) {
        frame_->nb_samples = encoder_->frame_size;
        if (av_frame_make_writable(frame_.get()) < 0)
            throw std::bad_alloc();
        const int n = std::min(av_audio_fifo_size(fifo_.get()), encoder_->frame_size);
        frame_->nb_samples = av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame_->extended_data), n);
        frame_->pts = samplesSent_;
        samplesSent_ += frame_->nb_samples;
        send(frame_.get(), sink);
    }
}

void AacEncoder::send(const AVFrame* frame, const PacketSink& sink)
{
    int rc = avcodec_send_frame(encoder_.get(), frame);
    if (rc < 0)
        fail(rc);
    while ((rc = avcodec_receive_packet(encoder_.get(), packet_.get())) >= 0) {
        sink(*packet_);
        av_packet_unref(packet_.get());
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF)
        fail(rc);
}

void AacEncoder::fail(int rc) const
{
    throw ConvertError("cannot encode the audio of " + inQuotes(source_) + ": " + avErrorText(rc));
}

}  // namespace hotaru
