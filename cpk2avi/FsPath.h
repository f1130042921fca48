#pragma once

#include <filesystem>
#include <string>

namespace hotaru {

// Names are UTF-8 on every system; a plain std::string would be read in the
// ANSI code page on Windows.
inline std::filesystem::path fsPath(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace hotaru
