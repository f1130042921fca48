#include "platform/Process.h"

#include "platform/File.h"

#include <cstdlib>

namespace hotaru {

std::string windowsCommandLine(const std::string& program, const std::vector<std::string>& args)
{
    // Neither a path nor a title may hold a double quote, so quoting is enough.
    std::string line = "\"" + program + "\"";
    for (const std::string& a : args)
        line += " \"" + a + "\"";
    return line;
}

std::string programOnPath(const std::string& name)
{
#ifdef _WIN32
    const std::string file = name + ".exe";
    constexpr char Separator = ';';
#else
    const std::string& file = name;
    constexpr char Separator = ':';
#endif
    const char* variable = std::getenv("PATH");
    const std::string folders = variable ? variable : "";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(Separator, start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && isExecutableFile(joinPath(folder, file)))
            return joinPath(folder, file);
        start = end + 1;
    }
    return {};
}

}  // namespace hotaru
