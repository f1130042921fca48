#pragma once

#include "catalogue/OutputFormats.h"
#include "cpk2avi/ConvertError.h"
#include "cpk2avi/FilmInput.h"
#include "cpk2avi/OutputChecks.h"
#include "cpk2avi/PcmTrack.h"
#include "cpk2avi/SubtitleWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hotaru {

// Copies a FILM/CPK movie into a container of the table (AVI, Matroska):
// the Cinepak frames as they are, only made standard, each at its own time
// (AVI: in its frame slot), and the sound decoded into interleaved PCM;
// subtitles as the file's own track (Matroska).
class Remuxer {
public:
    // Opens `in` and checks that `format` can hold it; `out` is the name the
    // output's failures are reported under; `subtitles`, when given, must
    // outlive the run. Throws ConvertError.
    Remuxer(const std::string& in, const std::string& out, const OutputFormat& format,
            const Subtitles* subtitles = nullptr);

    // Writes the whole file to `tempPath` and closes it. Throws ConvertError.
    void run(const std::string& tempPath, TrailerWriter writeTrailer = nullptr);

private:
    void check(int rc) const;
    void openOutput(const std::string& tempPath);
    void writeVideo(const AVPacket& pkt);
    void writeAudio(const AVFrame& frame);
    void takeFrameSlot(std::int64_t ts);

    FilmInput input_;
    std::string out_;
    const OutputFormat& format_;
    bool frameSlots_;  // AVI: one tick per frame, gaps filled with empty frames
    std::optional<PcmTrack> sound_;
    std::optional<SubtitleWriter> subtitles_;
    OutputPtr output_;
    AVStream* videoOut_ = nullptr;
    AVStream* audioOut_ = nullptr;
    std::int64_t lastVideoTs_ = -1;
    std::int64_t aviFrames_ = 0;  // frame slots the AVI writer has filled, empty ones included
    int videoFrames_ = 0;
    std::vector<std::uint8_t> frameBytes_;
};

}  // namespace hotaru
