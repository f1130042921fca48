#pragma once

#include "catalogue/OutputFormats.h"
#include "cpk2avi/AacEncoder.h"
#include "cpk2avi/FilmInput.h"
#include "cpk2avi/H264Encoder.h"
#include "cpk2avi/OutputChecks.h"
#include "cpk2avi/PcmTrack.h"
#include "cpk2avi/SubtitleWriter.h"
#include "movie/SubtitleBurner.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hotaru {

// Converts a FILM/CPK movie into a container of the table (an MP4 a
// browser plays, an enlarged Matroska): the Cinepak pictures decoded,
// enlarged `scale` times and encoded as H.264, each at its own time, the
// sound as AAC or PCM as the format says; an MP4 with its index ahead.
// Subtitles go in as the format's track, or drawn into the pictures.
class Transcoder {
public:
    // Opens `in`, checks that `format` can hold it and starts the encoders;
    // `out` is the name the output's failures are reported under;
    // `subtitles`, when given, must outlive the run. Throws ConvertError.
    Transcoder(const std::string& in, const std::string& out, const OutputFormat& format, int scale = 1,
               const Subtitles* subtitles = nullptr, bool burnSubtitles = false);
    Transcoder(const Transcoder&) = delete;  // the packet sinks point at this one
    Transcoder& operator=(const Transcoder&) = delete;

    // Writes the whole MP4 to `tempPath` and closes it. Throws ConvertError.
    void run(const std::string& tempPath, TrailerWriter writeTrailer = nullptr);

private:
    void check(int rc) const;
    void openVideoDecoder();
    void openOutput(const std::string& tempPath);
    AVStream* newStream(const AVCodecContext& encoder);
    void decodeVideo(const AVPacket& pkt);
    void write(AVPacket& pkt, AVStream& stream, AVRational timeBase);

    FilmInput input_;
    std::string out_;
    const OutputFormat& format_;
    CodecPtr cinepak_;
    FramePtr picture_;
    std::unique_ptr<H264Encoder> video_;
    std::unique_ptr<AacEncoder> audio_;
    std::optional<PcmTrack> pcm_;
    std::optional<SubtitleWriter> subtitles_;
    std::unique_ptr<SubtitleBurner> burner_;
    PacketSink toVideo_;
    PacketSink toAudio_;
    OutputPtr output_;
    AVStream* videoOut_ = nullptr;
    AVStream* audioOut_ = nullptr;
    std::int64_t lastPts_ = -1;
    int videoFrames_ = 0;
    std::vector<std::uint8_t> frameBytes_;
};

}  // namespace hotaru
