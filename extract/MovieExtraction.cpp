#include "extract/MovieExtraction.h"

#include "catalogue/Catalogue.h"
#include "disc/ImageError.h"
#include "platform/File.h"
#include "platform/InOutError.h"

#include <exception>

namespace hotaru {

CopyOutcome extractMovie(const RunSnapshot& run, RunArchive& archive, std::int32_t movie,
                         const std::string& outputFolder, const MovieHooks& hooks, const std::string& name)
{
    const std::string_view title = name.empty() ? movieTitle(run.disc, movie) : std::string_view(name);
    // A bare name would land wherever the process happens to be.
    if (outputFolder.empty())
        throw EInOutError(io::PathNotFound, cpkName(title));
    if (hooks.copying)
        hooks.copying();
    const RangeCopy job{run.archivePath, movieOffset(run.disc, movie), movieSize(run.disc, movie),
                        outputFolder + cpkName(title), &archive};
    CopyHooks copyHooks;
    if (hooks.label)
        copyHooks.opened = [&] { hooks.label(cpkName(title)); };
    // After a retry the status says again what is under way.
    bool retried = false;
    copyHooks.slice = [&] {
        if (retried && hooks.copying)
            hooks.copying();
        retried = false;
        return !hooks.slice || hooks.slice();
    };
    copyHooks.stopRequested = hooks.stopRequested;
    if (hooks.retrying)
        copyHooks.retrying = [&](std::int64_t, int attempt) {
            retried = true;
            hooks.retrying(attempt);
        };
    return copyRange(job, copyHooks);
}

std::optional<std::string> claimName(const RunSnapshot& run, std::int32_t movie, std::optional<VideoFormat> format,
                                     OutputNames& names)
{
    std::vector<std::string> extensions{".cpk"};
    if (format)
        extensions.emplace_back(outputFormat(*format).extension);
    return names.claim(run.naming.nameFor(run.disc, movie), extensions);
}

MovieEnd processMovie(const RunSnapshot& run, RunArchive& archive, std::int32_t movie, const std::string& outputFolder,
                      const MovieHooks& hooks, const std::string& name)
{
    if (extractMovie(run, archive, movie, outputFolder, hooks, name) != CopyOutcome::Written)
        return MovieEnd::Stopped;
    const std::optional<ConversionChoice> choice = hooks.conversion ? hooks.conversion() : std::nullopt;
    if (!choice)
        return MovieEnd::Copied;
    Conversion job{choice->converterPath, outputFolder, name.empty() ? std::string(movieTitle(run.disc, movie)) : name,
                   choice->format, choice->scale};
    // Only where the format can hold them: a track of its own, or pictures drawn anew.
    const OutputFormat& row = outputFormat(choice->format);
    const bool burnable = row.pictures == PictureHandling::H264 || row.scalable;
    if (!choice->subtitleFolder.empty() && (choice->burnSubtitles ? burnable : row.subtitles != SubtitleTrack::None)) {
        const std::string found = findSubtitles(choice->subtitleFolder, job.title);
        if (!found.empty() && (!hooks.subtitlesUsable || hooks.subtitlesUsable(found))) {
            job.subtitles = found;
            job.burnSubtitles = choice->burnSubtitles;
        }
    }
    if (hooks.converting)
        hooks.converting(job);
    const ConversionOutcome outcome = hooks.convert ? hooks.convert(job) : convertMovie(job, hooks.stopRequested);
    switch (outcome) {
    case ConversionOutcome::Converted:
        return MovieEnd::Converted;
    case ConversionOutcome::Stopped:
        return MovieEnd::ConversionStopped;
    case ConversionOutcome::Failed:
        break;
    }
    return MovieEnd::NotConverted;
}

std::string keptFileName(std::string_view title, MovieEnd end, std::optional<VideoFormat> format)
{
    switch (end) {
    case MovieEnd::Stopped:
    case MovieEnd::Skipped:
        return {};
    case MovieEnd::Converted:
        if (format)
            return videoName(title, *format);
        break;
    case MovieEnd::Copied:
    case MovieEnd::NotConverted:
    case MovieEnd::ConversionStopped:
        break;
    }
    return cpkName(title);
}

std::optional<ConversionChoice> RunSettingsValues::conversion() const
{
    if (!format)
        return std::nullopt;
    const OutputFormat& row = outputFormat(*format);
    return ConversionChoice{row.bundledConverter ? bundledConverterPath : converterPath, *format,
                            row.scalable ? scale : 1, subtitleFolder, burnSubtitles};
}

std::string findSubtitles(const std::string& folder, const std::string& name)
{
    for (const char* extension : {".srt", ".ass"}) {
        const std::string path = folder + name + extension;
        if (fileStamp(path).exists)
            return path;
    }
    return {};
}

MovieFailure caughtFailure(std::int32_t movie)
{
    try {
        throw;
    } catch (const EInOutError& e) {
        return {movie, e.path(), std::current_exception(), false};
    } catch (const disc::ImageError& e) {
        return {movie, e.file(), std::current_exception(), true};
    } catch (...) {
        return {movie, {}, std::current_exception(), false};
    }
}

RunResult runAll(const std::vector<std::int32_t>& movies, const std::function<bool()>& stopRequested,
                 const std::function<MovieEnd(std::int32_t)>& process, OnFailure onFailure)
{
    RunResult r;
    for (const std::int32_t movie : movies) {
        if (stopRequested()) {
            r.end = RunEnd::Stopped;
            return r;
        }
        try {
            const MovieEnd end = process(movie);
            if (isDone(end))
                r.done.push_back(movie);
            if (end == MovieEnd::NotConverted)
                r.notConverted.push_back(movie);
        } catch (...) {
            r.failures.push_back(caughtFailure(movie));
            if (onFailure == OnFailure::Stop) {
                r.end = RunEnd::Failed;
                return r;
            }
        }
    }
    if (stopRequested())
        r.end = RunEnd::Stopped;
    else if (!r.failures.empty())
        r.end = RunEnd::Failed;
    return r;
}

}  // namespace hotaru
