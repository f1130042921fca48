#pragma once

#include <string>
#include <string_view>

namespace hotaru {

// The files a movie becomes in the output folder: the copy out of the archive,
// and the converter's AVI made from it. The title is the whole name before
// the extension.
inline std::string cpkName(std::string_view title) { return std::string(title) + ".cpk"; }
inline std::string aviName(std::string_view title) { return std::string(title) + ".avi"; }

}  // namespace hotaru
