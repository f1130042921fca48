#pragma once

#include "movie/AvHandles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hotaru {

// A fan's video opened for re-making: its first video stream's pictures one
// after another, each with its time, and the first sound stream's sound
// resampled to the movie's rate and channels, decoded on the way.
class VideoSource {
public:
    // Sound comes out at `rate` Hz in `channels` channels (0: none wanted),
    // signed 16-bit, the channels interleaved. Throws RemakeFailure
    // SourceUnreadable, or NoPictures when there is no video stream.
    VideoSource(const std::string& path, int rate, int channels);

    // The container's length; 0 when it does not say.
    double seconds() const { return seconds_; }
    // How long one of its frames lasts, by the stream's rate; 0 when unknown.
    double frameSeconds() const { return frameSeconds_; }

    // Decodes on to the next picture, appending the sound decoded on the way
    // to `sound`; false at the end, where the rest of the sound is added.
    bool nextPicture(std::vector<std::int16_t>& sound);
    // The picture nextPicture found, and its time in seconds from the first.
    const AVFrame& picture() const { return *frame_; }
    double time() const { return time_; }

    // Scales `decoded` into `out` (RGB24, its size set) keeping its aspect
    // ratio, black bars where it does not fill the frame.
    void fit(const AVFrame& decoded, AVFrame& out);

private:
    void decodeSound(const AVPacket* pkt, std::vector<std::int16_t>& sound);
    void resample(const AVFrame* f, std::vector<std::int16_t>& sound);
    void openDecoder(const AVStream& stream, CodecPtr& into);

    std::string path_;
    InputPtr input_;
    int videoIndex_ = -1, soundIndex_ = -1;
    CodecPtr video_, sound_;
    int rate_, channels_;
    FramePtr frame_ = newFrame();
    FramePtr soundFrame_ = newFrame();
    FramePtr box_ = newFrame();  // the picture scaled, before it goes into the frame
    PacketPtr packet_ = newPacket();
    ScalerPtr scaler_;
    ResamplerPtr resampler_;
    double seconds_ = 0, frameSeconds_ = 0;
    double time_ = 0, start_ = 0;
    bool started_ = false, ended_ = false;
};

}  // namespace hotaru
