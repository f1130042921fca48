#pragma once

#include "movie/AvHandles.h"
#include "movie/SubtitleBurner.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace hotaru {

// The disc's movie's own pictures, decoded one after another, with the cue
// of a subtitle file drawn in where one is shown.
class OriginalPictures {
public:
    // Pictures come out width x height, RGB24. `subtitles` must outlive this.
    // Throws RemakeFailure EncoderMissing (no Cinepak decoder) or NoFont.
    OriginalPictures(int width, int height, const Subtitles& subtitles);

    // Decodes the next of the movie's frames, as FILM keeps it, and draws in
    // the cue shown at `ms`. Throws RemakeFailure OriginalUnreadable.
    AVFrame& picture(const std::vector<std::uint8_t>& filmFrame, std::int64_t ms);

private:
    void convert(const AVFrame& from, AVFrame& to, ScalerPtr& scaler);

    int width_, height_;
    const Subtitles& subtitles_;
    std::unique_ptr<SubtitleBurner> burner_;
    CodecPtr decoder_;
    PacketPtr packet_ = newPacket();
    FramePtr decoded_ = newFrame();
    FramePtr yuv_ = newFrame();
    FramePtr rgb_ = newFrame();
    ScalerPtr toYuv_, toRgb_;
    std::vector<std::uint8_t> frame_;
};

}  // namespace hotaru
