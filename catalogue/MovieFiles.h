#pragma once

#include <string>
#include <string_view>

namespace hotaru {

// What the converter makes of a copy: an AVI (Cinepak as it is), or an MP4
// (H.264 and AAC) that browsers and phones play.
enum class VideoFormat { Avi, Mp4 };

// The files a movie becomes in the output folder: the copy out of the archive,
// and the converter's video made from it. The title is the whole name before
// the extension.
inline std::string cpkName(std::string_view title) { return std::string(title) + ".cpk"; }
inline std::string videoName(std::string_view title, VideoFormat format)
{
    return std::string(title) + (format == VideoFormat::Mp4 ? ".mp4" : ".avi");
}

}  // namespace hotaru
