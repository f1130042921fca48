#include "platform/Process.h"

namespace hotaru {

std::string windowsCommandLine(const std::string& program, const std::vector<std::string>& args)
{
    // Neither a path nor a title may hold a double quote, so quoting is enough.
    std::string line = "\"" + program + "\"";
    for (const std::string& a : args)
        line += " \"" + a + "\"";
    return line;
}

}  // namespace hotaru
