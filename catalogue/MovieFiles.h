#pragma once

#include "catalogue/OutputFormats.h"

#include <string>
#include <string_view>

namespace hotaru {

// The files a movie becomes in the output folder: the copy out of the archive,
// and the converter's video made from it. The title is the whole name before
// the extension.
inline std::string cpkName(std::string_view title) { return std::string(title) + ".cpk"; }
inline std::string videoName(std::string_view title, VideoFormat format)
{
    return std::string(title) + std::string(outputFormat(format).extension);
}

}  // namespace hotaru
