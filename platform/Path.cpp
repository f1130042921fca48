#include "platform/Path.h"

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

}  // namespace hotaru
