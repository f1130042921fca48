// libFuzzer's entry for the subtitle reader: the input is a file's bytes,
// read as SRT and as ASS, and every cue looked up as the preview would. A
// malformed file may be refused with a problem; nothing else may happen.
#include "movie/SubtitleFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (hotaru::SubtitleFormat format : {hotaru::SubtitleFormat::Srt, hotaru::SubtitleFormat::Ass}) {
        const auto result = hotaru::parseSubtitles(bytes, format);
        const auto* subs = std::get_if<hotaru::Subtitles>(&result);
        if (!subs)
            continue;
        // What the reader promises its users.
        if (subs->cues.empty() || (subs->language != "jpn" && subs->language != "eng"))
            std::abort();
        for (const hotaru::SubtitleCue& cue : subs->cues) {
            if (cue.endMs < cue.startMs || cue.endMs > hotaru::MaxSubtitleMs)
                std::abort();
            if (cue.endMs > cue.startMs && !hotaru::cueAt(*subs, cue.startMs))
                std::abort();
        }
    }
    return 0;
}
