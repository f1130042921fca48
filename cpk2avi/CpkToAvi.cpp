#include "cpk2avi/CpkToAvi.h"

#include "catalogue/OutputFormats.h"
#include "cpk2avi/ConvertError.h"
#include "cpk2avi/FsPath.h"
#include "cpk2avi/Remuxer.h"
#include "cpk2avi/Transcoder.h"
#include "movie/SubtitleFile.h"
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

// The reader names a problem by its code; the words are the converter's.
std::string problemText(SubtitleError error)
{
    switch (error) {
    case SubtitleError::Unreadable:
        return "it cannot be read";
    case SubtitleError::TooLarge:
        return "it is larger than " + std::to_string(MaxSubtitleFileBytes / (1024 * 1024)) +
               " MB, too large for subtitles";
    case SubtitleError::UnknownFormat:
        return "its name must end in .srt, .ass or .ssa";
    case SubtitleError::NotText:
        return "it is neither UTF-8 nor Shift-JIS text";
    case SubtitleError::NoTiming:
        return "a cue has no timing line HH:MM:SS,mmm --> HH:MM:SS,mmm";
    case SubtitleError::BadTime:
        return "a time is malformed or past " + std::to_string(MaxSubtitleMs / 3600000) + " hours";
    case SubtitleError::EndBeforeStart:
        return "a cue ends before it starts";
    case SubtitleError::NoEvents:
        return "it has no [Events] section";
    case SubtitleError::NoFormat:
        return "its events have no Format line naming Start, End and Text";
    case SubtitleError::BadDialogue:
        return "a Dialogue line has fewer fields than its Format line names";
    case SubtitleError::NoCues:
        return "it holds no subtitles";
    }
    return "it is malformed";
}

// The subtitles for `out`, read before anything is written.
std::optional<Subtitles> checkedSubtitles(const std::string& out, const OutputFormat& format,
                                          const ConvertOptions& options)
{
    if (options.subtitles.empty()) {
        if (options.burnSubtitles)
            throw ConvertError("no subtitle file named to draw into the pictures");
        return std::nullopt;
    }
    if (format.subtitles == SubtitleTrack::None)
        throw ConvertError("cannot add subtitles to " + inQuotes(out) + ": an " + asciiUpper(format.name) +
                           " keeps the disc's pictures and holds no subtitle track");
    auto result = readSubtitles(options.subtitles);
    if (const auto* problem = std::get_if<SubtitleProblem>(&result))
        throw ConvertError("cannot read the subtitles " + inQuotes(options.subtitles) +
                           (problem->line > 0 ? ", line " + std::to_string(problem->line) : std::string()) + ": " +
                           problemText(problem->error));
    return std::get<Subtitles>(std::move(result));
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
        const std::optional<Subtitles> subtitles = checkedSubtitles(out, format, options);
        const Subtitles* cues = subtitles ? &*subtitles : nullptr;
        if (format.pictures == PictureHandling::H264 || options.scale > 1 || options.burnSubtitles)
            convert<Transcoder>(in, out, writeTrailer, format, options.scale, cues, options.burnSubtitles);
        else
            convert<Remuxer>(in, out, writeTrailer, format, cues);
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
