#include "platform/Path.h"

#include <filesystem>

namespace hotaru {

namespace {

std::string join(const std::string& folder, const std::string& name, bool backslashEnds)
{
    const bool ended = folder.empty() || folder.back() == '/' || (backslashEnds && folder.back() == '\\');
    std::string path = folder;
    if (!ended)
        path += PathSeparator;
    return path + name;
}

}  // namespace

std::string joinPath(const std::string& folder, const std::string& name)
{
    return join(folder, name, PathSeparator == '\\');
}

std::string joinRoot(const std::string& root, const std::string& name) { return join(root, name, true); }

std::optional<std::int64_t> freeSpace(const std::string& folder) noexcept
{
    try {
        // From UTF-8 on every system; a plain string would be the ANSI code page on Windows.
        const std::filesystem::path path(std::u8string(folder.begin(), folder.end()));
        std::error_code error;
        const std::filesystem::space_info space = std::filesystem::space(path, error);
        if (error || space.available == static_cast<std::uintmax_t>(-1))
            return std::nullopt;
        return static_cast<std::int64_t>(space.available);
    } catch (...) {
        return std::nullopt;  // no memory for the path
    }
}

}  // namespace hotaru
