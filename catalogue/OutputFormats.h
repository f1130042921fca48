#pragma once
// The formats a copy can be converted into, in one table that the window's
// menu, the command line, the settings and the converter all read.

#include <string_view>

namespace hotaru {

enum class VideoFormat { Avi, Mp4, Mkv };

enum class PictureHandling {
    Copied,  // the disc's Cinepak frames, only made standard
    H264,    // decoded and encoded again, which browsers and phones play
};

enum class SoundHandling {
    Pcm,  // sample for sample
    Aac,
};

enum class SubtitleTrack {
    None,     // the container holds no subtitles of ours
    MovText,  // MP4's own text track
    AsGiven,  // the file's own SRT or ASS
};

struct OutputFormat {
    VideoFormat format;
    std::string_view name;       // the command line's --NAME and the saved setting
    std::string_view extension;  // with its dot
    std::string_view container;  // FFmpeg's name for the writer
    PictureHandling pictures;
    SoundHandling sound;
    // Written by the converter that comes with the program; else by the one
    // the user links (AVI, as the game's fans always made it).
    bool bundledConverter;
    SubtitleTrack subtitles;
    // May be enlarged for sharing; pictures that are copied are then encoded.
    bool scalable;
};

inline constexpr OutputFormat OutputFormats[] = {
    {VideoFormat::Avi, "avi", ".avi", "avi", PictureHandling::Copied, SoundHandling::Pcm, false, SubtitleTrack::None,
     false},
    {VideoFormat::Mp4, "mp4", ".mp4", "mp4", PictureHandling::H264, SoundHandling::Aac, true, SubtitleTrack::MovText,
     true},
    {VideoFormat::Mkv, "mkv", ".mkv", "matroska", PictureHandling::Copied, SoundHandling::Pcm, true,
     SubtitleTrack::AsGiven, true},
};

const OutputFormat& outputFormat(VideoFormat format) noexcept;
// The row whose name is `name` exactly; null when none.
const OutputFormat* outputFormatNamed(std::string_view name) noexcept;
// The row whose extension ends `fileName`, in any case; null when none.
const OutputFormat* outputFormatOfFile(std::string_view fileName) noexcept;

// Enlargements a picture may get for sharing: whole factors only, so that
// every pixel becomes a square block.
inline constexpr int MinScale = 1;
inline constexpr int MaxScale = 4;

}  // namespace hotaru
