#include "cpk2avi/CpkToAvi.h"

#include "catalogue/OutputFormats.h"
#include "cpk2avi/ConvertError.h"
#include "cpk2avi/FsPath.h"
#include "cpk2avi/Remuxer.h"
#include "cpk2avi/Transcoder.h"
#include "platform/Bytes.h"
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
template <typename Converter, typename... Settings>
void convert(const std::string& in, const std::string& out, TrailerWriter writeTrailer, const Settings&... settings)
{
    // Declared before the converter so the temporary is removed only after
    // the output is closed.
    std::optional<TempFile> temp;
    Converter converter(in, out, settings...);
    onOutput(out, [&] { temp.emplace(out); });
    converter.run(temp->path(), writeTrailer);
    // Always on the disk first: a crash right after the rename could leave an empty OUT.
    onOutput(out, [&] { temp->commit(TempFile::Flush::Always); });
}

// The row for `out`, and the enlargement it can take.
const OutputFormat& checkedFormat(const std::string& out, const ConvertOptions& options)
{
    const OutputFormat* format = outputFormatOfFile(out);
    if (!format) {
        std::string known;
        for (const OutputFormat& row : OutputFormats)
            known += (known.empty() ? "" : ", ") + std::string(row.extension);
        throw ConvertError("cannot tell what to write from the name " + inQuotes(out) + ": it must end in " + known);
    }
    if (options.scale < MinScale || options.scale > MaxScale)
        throw ConvertError("cannot enlarge the pictures " + std::to_string(options.scale) + " times: only " +
                           std::to_string(MinScale) + " to " + std::to_string(MaxScale) + " times");
    if (options.scale > 1 && !format->scalable)
        throw ConvertError("cannot enlarge the pictures of " + inQuotes(out) + ": an " + asciiUpper(format->name) +
                           " keeps them as the disc has them");
    return *format;
}

}  // namespace

int convertCpk(const std::string& in, const std::string& out, std::string& error, const ConvertOptions& options,
               TrailerWriter writeTrailer)
{
    try {
        checkPaths(in, out);
        const OutputFormat& format = checkedFormat(out, options);
        if (format.pictures == PictureHandling::H264 || options.scale > 1)
            convert<Transcoder>(in, out, writeTrailer, format, options.scale);
        else
            convert<Remuxer>(in, out, writeTrailer, format);
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
