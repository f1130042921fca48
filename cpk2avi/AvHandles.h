#pragma once
// Owning handles for FFmpeg's objects and the few helpers every writer uses.

#include "cpk2avi/ConvertError.h"
#include "cpk2avi/CpkToAvi.h"

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

// Where an encoder hands its packets, in its codec context's time base.
using PacketSink = std::function<void(AVPacket&)>;

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

// A failed step of writing the output, reported under its final name `out`.
inline void checkWrite(int rc, const std::string& out)
{
    if (rc < 0)
        throw ConvertError("cannot write " + inQuotes(out) + ": " + avErrorText(rc));
}

// Writes the trailer (through `writeTrailer`, av_write_trailer when null) and
// closes the file, so that a write error that only shows now still fails the
// conversion.
inline void finishOutput(AVFormatContext& output, const std::string& out, TrailerWriter writeTrailer)
{
    checkWrite(writeTrailer ? writeTrailer(&output) : av_write_trailer(&output), out);
    avio_flush(output.pb);
    checkWrite(output.pb->error, out);
    checkWrite(avio_closep(&output.pb), out);
}

}  // namespace hotaru
