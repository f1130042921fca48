#pragma once
// The one reader of subtitle files (SRT, ASS/SSA): the converter writes their
// cues as a track or into the pictures, the window shows them in the preview.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace hotaru {

enum class SubtitleFormat { Srt, Ass };

struct SubtitleCue {
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    std::string text;  // UTF-8, lines joined by '\n', no styling tags
    // As a track keeps it. SRT: the text lines as written, joined by '\n'.
    // ASS: the Dialogue's fields Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text.
    std::string raw;
};

struct Subtitles {
    SubtitleFormat format = SubtitleFormat::Srt;
    // ASS only: everything before the dialogue lines, in UTF-8, ending in an
    // [Events] Format line in the order `raw` keeps.
    std::string assHeader;
    std::vector<SubtitleCue> cues;  // in file order
    std::string language;           // ISO 639-2: "jpn" when any cue holds kana or kanji, else "eng"
};

enum class SubtitleError {
    Unreadable,      // cannot be opened or read
    TooLarge,        // over MaxSubtitleFileBytes
    UnknownFormat,   // the name ends in neither .srt, .ass nor .ssa
    NotText,         // neither UTF-8 nor Shift-JIS
    NoTiming,        // an SRT block without its timing line
    BadTime,         // a time that is malformed or beyond MaxSubtitleMs
    EndBeforeStart,  // a cue that ends before it starts
    NoEvents,        // an ASS without [Events]
    NoFormat,        // an ASS whose events have no Format line, or one without Start, End or Text
    BadDialogue,     // a Dialogue line with fewer fields than its Format names
    NoCues,          // nothing to show
};

// What is wrong and where: `line` counts from 1, 0 for the file as a whole.
struct SubtitleProblem {
    SubtitleError error;
    int line = 0;
    bool operator==(const SubtitleProblem&) const = default;
};

inline constexpr std::size_t MaxSubtitleFileBytes = 4 * 1024 * 1024;
inline constexpr std::int64_t MaxSubtitleMs = 100LL * 3600 * 1000;

// The format a file's extension names; false when none.
bool subtitleFormatOfFile(std::string_view path, SubtitleFormat& format);

// Reads the file at `path` (UTF-8), its format by its extension. Never throws.
std::variant<Subtitles, SubtitleProblem> readSubtitles(const std::string& path);
// The same for a file's bytes.
std::variant<Subtitles, SubtitleProblem> parseSubtitles(std::string_view bytes, SubtitleFormat format);

// The first cue shown at `ms` (from its start, until its end); null when none.
const SubtitleCue* cueAt(const Subtitles& subtitles, std::int64_t ms);

}  // namespace hotaru
