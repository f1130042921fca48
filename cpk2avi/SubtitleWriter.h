#pragma once

#include "cpk2avi/OutputChecks.h"
#include "movie/SubtitleFile.h"

#include <string>

namespace hotaru {

// A subtitle file's cues as a soft track, through FFmpeg's own encoders:
// MP4's text (mov_text), or in Matroska the file's own SRT (subrip) or ASS,
// marked as the default track in the file's language.
class SubtitleWriter {
public:
    // `codec` is AV_CODEC_ID_MOV_TEXT, AV_CODEC_ID_SUBRIP or AV_CODEC_ID_ASS
    // (an ASS file's only). Failures throw ConvertError naming `out`.
    SubtitleWriter(const Subtitles& subtitles, AVCodecID codec, const std::string& out);

    // Adds the track to `output`, before its header is written.
    void addTo(AVFormatContext& output);
    // Hands every cue to `output`'s interleaving, after its header is written.
    void writeCues(AVFormatContext& output);

private:
    std::string dialogue(const SubtitleCue& cue, int readOrder) const;

    const Subtitles& subtitles_;
    std::string out_;
    CodecPtr encoder_;
    AVStream* stream_ = nullptr;
};

// The track a subtitle file gets: MP4's text when `movText`, else its own kind.
AVCodecID subtitleCodecFor(const Subtitles& subtitles, bool movText);

}  // namespace hotaru
