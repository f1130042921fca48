#include "cpk2avi/CpkToAvi.h"

#include "cpk2avi/ConvertError.h"
#include "cpk2avi/FsPath.h"
#include "cpk2avi/Remuxer.h"
#include "platform/TempFile.h"

#include <cstring>
#include <filesystem>
#include <new>
#include <optional>

namespace hotaru {

namespace {

void checkPaths(const std::string& in, const std::string& out)
{
    if (out.empty())
        throw ConvertError("no output file named");
    std::error_code ec;
    if (std::filesystem::is_directory(fsPath(out), ec))
        throw ConvertError("cannot write " + inQuotes(out) + ": it is a folder");
    if (std::filesystem::equivalent(fsPath(in), fsPath(out), ec))
        throw ConvertError("input and output are the same file: " + inQuotes(in));
}

// Runs a step of the temporary output, telling its failures in our own words.
template <typename Step>
void onOutput(const std::string& out, Step step)
{
    try {
        step();
    } catch (const EReadOnlyFile&) {
        throw ConvertError("cannot replace " + inQuotes(out) + ": access denied, it is read-only");
    } catch (const EInOutError& e) {
        throw ConvertError("cannot write " + inQuotes(out) + ": " + std::strerror(e.systemError()));
    }
}

}  // namespace

int convertCpkToAvi(const std::string& in, const std::string& out, std::string& error)
{
    try {
        checkPaths(in, out);
        // Declared before the remuxer so the temporary is removed only after
        // the output is closed; created once the input proved to be FILM, so
        // a bad input leaves nothing behind.
        std::optional<TempFile> temp;
        Remuxer remux(in, out);
        onOutput(out, [&] { temp.emplace(out); });
        remux.run(temp->path());
        // Always on the disk first: a crash right after the rename could leave an empty OUT.
        onOutput(out, [&] { temp->commit(TempFile::Flush::Always); });
        error.clear();
        return 0;
    } catch (const ConvertError& e) {
        error = e.what();
    } catch (const std::bad_alloc&) {
        error = "out of memory while converting " + inQuotes(in);
    }
    return 1;
}

}  // namespace hotaru
