#pragma once

#include "cpk2avi/OutputChecks.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

struct SwsContext;

namespace hotaru {

// Turns decoded pictures into H.264 with Mp4Settings: enlarged `scale`
// times, each pixel a square block, converted to 4:2:0, then encoded by
// x264. Failures throw ConvertError naming `source`, the movie the pictures
// come from.
class H264Encoder {
public:
    // Pictures of width x height (even once enlarged) at timestamps in `timeBase`.
    H264Encoder(const std::string& source, int width, int height, int scale, AVRational timeBase, AVRational frameRate,
                bool globalHeader);

    const AVCodecContext& context() const { return *encoder_; }

    // Draws into each picture at its final size, in 4:2:0, before it is
    // encoded (burnt-in subtitles); gets the picture's pts.
    using Overlay = std::function<void(AVFrame&, std::int64_t)>;
    void setOverlay(Overlay overlay) { overlay_ = std::move(overlay); }

    // Encodes a picture shown from `pts` for `duration` ticks; `pts` must grow.
    void encode(const AVFrame& picture, std::int64_t pts, std::int64_t duration, const PacketSink& sink);
    // Hands on the packets the encoder still holds.
    void finish(const PacketSink& sink);

private:
    void convert(const AVFrame& picture);
    const AVFrame& enlarged(const AVFrame& picture);
    void drain(const PacketSink& sink);
    [[noreturn]] void fail(int rc) const;

    struct ScalerDeleter {
        void operator()(SwsContext* s) const;
    };

    std::string source_;
    int width_;
    int height_;
    int scale_;
    CodecPtr encoder_;
    std::unique_ptr<SwsContext, ScalerDeleter> scaler_;
    int scalerFormat_ = -1;  // the picture format scaler_ was made for
    FramePtr large_;         // the picture enlarged, when scale_ > 1
    FramePtr yuv_;
    PacketPtr packet_;
    std::map<std::int64_t, std::int64_t> durations_;  // by pts, until the packet is out
    Overlay overlay_;
};

}  // namespace hotaru
