#include "cpk2avi/CpkToAvi.h"

#include "platform/Bytes.h"

#include "cpk2avi/ConvertError.h"
#include "cpk2avi/FsPath.h"
#include "cpk2avi/Remuxer.h"
#include "cpk2avi/Transcoder.h"
#include "platform/TempFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <string_view>

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

// Writes `out` through a converter that opens the input first, so a bad input
// leaves nothing behind.
template <typename Converter>
void convert(const std::string& in, const std::string& out, TrailerWriter writeTrailer)
{
    // Declared before the converter so the temporary is removed only after
    // the output is closed.
    std::optional<TempFile> temp;
    Converter converter(in, out);
    onOutput(out, [&] { temp.emplace(out); });
    converter.run(temp->path(), writeTrailer);
    // Always on the disk first: a crash right after the rename could leave an empty OUT.
    onOutput(out, [&] { temp->commit(TempFile::Flush::Always); });
}

}  // namespace

bool wantsMp4(const std::string& out) { return endsWithIgnoringCase(out, ".mp4"); }

int convertCpkToAvi(const std::string& in, const std::string& out, std::string& error, TrailerWriter writeTrailer)
{
    try {
        checkPaths(in, out);
        if (wantsMp4(out))
            convert<Transcoder>(in, out, writeTrailer);
        else
            convert<Remuxer>(in, out, writeTrailer);
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
