#pragma once

#include "cpk2avi/ConvertError.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hotaru {

struct InputDeleter {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct OutputDeleter {
    void operator()(AVFormatContext* c) const
    {
        if (c->pb)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

// Copies a FILM/CPK movie into an AVI: the Cinepak frames as they are, only
// made standard, and the sound decoded into interleaved PCM.
class Remuxer {
public:
    // Opens `in` and checks that an AVI can hold it; `out` is the name the
    // output's failures are reported under. Throws ConvertError.
    Remuxer(const std::string& in, const std::string& out);

    // Writes the whole AVI to `tempPath` and closes it. Throws ConvertError.
    void run(const std::string& tempPath);

private:
    void check(int rc) const;
    void pickStreams(const AVFormatContext& probe);
    const AVStream* sameStream(int index, AVCodecID codec) const;
    void openDecoder(const AVCodecParameters& par);
    void openOutput(const std::string& tempPath);
    void writeVideo(const AVPacket& pkt);
    void decodeAudio(const AVPacket* pkt);
    void writeAudio(const AVFrame& frame);

    std::string in_;
    std::string out_;
    InputPtr input_;
    OutputPtr output_;
    int videoIndex_ = -1;
    int audioIndex_ = -1;
    const AVCodecParameters* videoPar_ = nullptr;  // owned by input_
    AVRational frameRate_{0, 1};
    AVRational videoTimeBase_{0, 1};
    AVStream* videoOut_ = nullptr;
    AVStream* audioOut_ = nullptr;
    CodecPtr decoder_;
    FramePtr frame_;
    AVSampleFormat sampleFormat_ = AV_SAMPLE_FMT_NONE;
    AVCodecID audioCodec_ = AV_CODEC_ID_NONE;
    int bytesPerSample_ = 0;
    int channels_ = 0;
    int sampleRate_ = 0;
    std::int64_t samplesWritten_ = 0;
    std::int64_t lastVideoTs_ = -1;
    std::int64_t aviFrames_ = 0;  // frame slots the AVI writer has filled, empty ones included
    int videoFrames_ = 0;
    std::vector<std::uint8_t> frameBytes_;
};

}  // namespace hotaru
