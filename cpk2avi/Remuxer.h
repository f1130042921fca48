#pragma once

#include "cpk2avi/ConvertError.h"
#include "cpk2avi/FilmInput.h"
#include "cpk2avi/OutputChecks.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hotaru {

// Copies a FILM/CPK movie into an AVI: the Cinepak frames as they are, only
// made standard, and the sound decoded into interleaved PCM.
class Remuxer {
public:
    // Opens `in` and checks that an AVI can hold it; `out` is the name the
    // output's failures are reported under. Throws ConvertError.
    Remuxer(const std::string& in, const std::string& out);

    // Writes the whole AVI to `tempPath` and closes it. Throws ConvertError.
    void run(const std::string& tempPath, TrailerWriter writeTrailer = nullptr);

private:
    void check(int rc) const;
    void pickPcmFormat();
    void openOutput(const std::string& tempPath);
    void writeVideo(const AVPacket& pkt);
    void writeAudio(const AVFrame& frame);

    FilmInput input_;
    std::string out_;
    OutputPtr output_;
    AVStream* videoOut_ = nullptr;
    AVStream* audioOut_ = nullptr;
    AVCodecID audioCodec_ = AV_CODEC_ID_NONE;
    int bytesPerSample_ = 0;
    std::int64_t samplesWritten_ = 0;
    std::int64_t lastVideoTs_ = -1;
    std::int64_t aviFrames_ = 0;  // frame slots the AVI writer has filled, empty ones included
    int videoFrames_ = 0;
    std::vector<std::uint8_t> frameBytes_;
};

}  // namespace hotaru
