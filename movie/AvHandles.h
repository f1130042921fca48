#pragma once
// Owning handles for FFmpeg's objects, and the few helpers every reader and
// writer of movies uses.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <functional>
#include <memory>
#include <new>
#include <string>

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
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

struct ScalerDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResamplerDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerDeleter>;

inline PacketPtr newPacket()
{
    PacketPtr p(av_packet_alloc());
    if (!p)
        throw std::bad_alloc();
    return p;
}

inline FramePtr newFrame()
{
    FramePtr f(av_frame_alloc());
    if (!f)
        throw std::bad_alloc();
    return f;
}

inline std::string avErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Through the file protocol, a name holding ':' is never taken for a protocol.
inline std::string fileUrl(const std::string& path) { return "file:" + path; }

}  // namespace hotaru
