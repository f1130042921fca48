#pragma once

#include "cpk2avi/ConvertError.h"
#include "cpk2avi/OutputChecks.h"

#include <functional>
#include <string>

namespace hotaru {

// A FILM/CPK movie opened for reading: its Cinepak stream, its sound with a
// decoder (when it has sound), and its packets one after another.
class FilmInput {
public:
    // Opens `in` and checks that it holds Cinepak video of a possible size.
    // Throws ConvertError.
    explicit FilmInput(const std::string& in);

    // The name as the messages give it.
    const std::string& name() const { return in_; }
    const AVStream& video() const { return *video_; }
    // The frames per second the header or the first timestamps tell.
    AVRational frameRate() const { return frameRate_; }
    bool isVideo(const AVPacket& pkt) const { return pkt.stream_index == video_->index; }

    bool hasAudio() const { return decoder_ != nullptr; }
    bool isAudio(const AVPacket& pkt) const { return audioIndex_ >= 0 && pkt.stream_index == audioIndex_; }
    AVSampleFormat sampleFormat() const { return sampleFormat_; }
    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }

    // Fills `pkt` with the next packet; false at the end. Throws ConvertError
    // when the movie cannot be read on.
    bool read(AVPacket& pkt);

    // Decodes a sound packet (null: the end of the sound) and hands each
    // frame that holds samples to `use`. Throws ConvertError.
    void decodeAudio(const AVPacket* pkt, const std::function<void(const AVFrame&)>& use);

private:
    void pickStreams(const AVFormatContext& probe);
    const AVStream* sameStream(int index, AVCodecID codec) const;
    void openDecoder(const AVCodecParameters& par);

    std::string in_;
    InputPtr input_;
    const AVStream* video_ = nullptr;  // owned by input_
    int videoIndex_ = -1;
    int audioIndex_ = -1;
    AVRational frameRate_{0, 1};
    CodecPtr decoder_;
    FramePtr frame_;
    AVSampleFormat sampleFormat_ = AV_SAMPLE_FMT_NONE;
    int channels_ = 0;
    int sampleRate_ = 0;
};

}  // namespace hotaru
