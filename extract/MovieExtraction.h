#pragma once

#include "catalogue/MovieFiles.h"
#include "catalogue/NameTemplate.h"
#include "extract/Converter.h"
#include "extract/CopyRange.h"
#include "extract/OutputNames.h"
#include "extract/RunArchive.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hotaru {

// What a run copies, fixed at the click on "実行": File > Open during the run
// changes the program's archive and pick list, never these.
struct RunSnapshot {
    std::string archivePath;
    std::int32_t disc = 0;
    std::vector<std::int32_t> movies;  // in extraction order
    // The archive at archivePath as opened for the window's previews and
    // tooltips too; null: the run opens one of its own.
    std::shared_ptr<SharedArchive> archive = nullptr;
    // How the movies' files are named, and what happens where a name is taken.
    NameTemplate naming = NameTemplate();
    ExistingFiles existing = ExistingFiles::Overwrite;
};

// What converts a movie once its copy is complete.
struct ConversionChoice {
    std::string converterPath;
    VideoFormat format = VideoFormat::Avi;
    int scale = 1;
    std::string subtitleFolder = {};  // where "<name>.srt" or "<name>.ass" is looked for; empty: nowhere
    bool burnSubtitles = false;       // drawn into the pictures rather than a track of their own
};

// Settings the user may change while a run goes on; each movie reads them afresh.
struct RunSettingsValues {
    std::string outputFolder;  // where movies go, ending in a separator
    // What each copy is converted into; none: the .cpk is the result.
    std::optional<VideoFormat> format;
    std::string converterPath;         // the user's, for formats it writes (AVI)
    std::string bundledConverterPath;  // the one that comes with the program
    int scale = 1;                     // for the formats that may be enlarged
    bool checksums = false;            // each file kept is recorded in the folder's SHA256SUMS
    std::string subtitleFolder = {};   // ending in a separator; empty: no subtitles
    bool burnSubtitles = false;

    // The conversion these settings ask for; none when no format is on.
    std::optional<ConversionChoice> conversion() const;
};

// Written by the user-interface thread, read by the worker.
class RunSettings {
public:
    RunSettingsValues current() const
    {
        const std::lock_guard lock(mutex_);
        return values_;
    }
    void update(RunSettingsValues values)
    {
        const std::lock_guard lock(mutex_);
        values_ = std::move(values);
    }

private:
    mutable std::mutex mutex_;
    RunSettingsValues values_;
};

struct MovieHooks {
    std::function<void()> copying;                  // the copy begins, or goes on after a sector was read again
    std::function<void(const std::string&)> label;  // the files are open: the name being written
    SliceCallback slice;                            // after each slice; false stops
    std::function<void(int attempt)> retrying;      // a bad sector is being read again, `attempt` from 1
    // For processMovie: asked once the .cpk is complete; nothing: no conversion.
    std::function<std::optional<ConversionChoice>()> conversion;
    // For processMovie: the subtitle file `path` found for the movie may be
    // used (true), or is unusable and the movie is converted without it.
    std::function<bool(const std::string& path)> subtitlesUsable;
    // For processMovie: the conversion begins.
    std::function<void(const Conversion&)> converting;
    // For processMovie: carries the conversion out; empty: convertMovie here.
    std::function<ConversionOutcome(const Conversion&)> convert;
    // Looked at by the converter, and by the copy while a failing sector is
    // read again; between slices the copy asks `slice`.
    std::function<bool()> stopRequested;
};

// Copies movie `movie` of the snapshot's disc into outputFolder + cpkName(name):
// the folder and the name, nothing between; an empty name is the catalogue's title. The bytes come through `archive`,
// the run's one opened archive (the snapshot's). An empty folder is refused:
// nothing is written relative to the process's current folder.
// Throws EInOutError or disc::ImageError.
CopyOutcome extractMovie(const RunSnapshot& run, RunArchive& archive, std::int32_t movie,
                         const std::string& outputFolder, const MovieHooks& hooks, const std::string& name = {});

// The name movie `movie` gets for its files in this run, by the snapshot's
// naming, claimed from the run's `names` for the files it will keep (the
// .cpk, and the video of `format`); none: the run's rule leaves it out.
std::optional<std::string> claimName(const RunSnapshot& run, std::int32_t movie, std::optional<VideoFormat> format,
                                     OutputNames& names);

// How one movie of a run ended.
enum class MovieEnd {
    Copied,             // the .cpk was written and no conversion was wanted
    Converted,          // the video was written and the .cpk is gone
    NotConverted,       // the converter failed: the .cpk is kept
    ConversionStopped,  // stopped while converting: the .cpk is kept
    Stopped,            // stopped while copying: no file, an older one kept
    Skipped,            // its name was taken and the run's rule left it out
};

// The file a movie that ended so leaves in the output folder: its video, its
// .cpk, or nothing (empty) when it was stopped while copying.
std::string keptFileName(std::string_view title, MovieEnd end, std::optional<VideoFormat> format);

// The subtitle file for a movie named `name` in `folder` (ending in a
// separator): "<name>.srt", else "<name>.ass"; empty when neither is there.
std::string findSubtitles(const std::string& folder, const std::string& name);

// True when the movie needs nothing more: a later run need not pick it again.
inline bool isDone(MovieEnd end)
{
    return end == MovieEnd::Copied || end == MovieEnd::Converted || end == MovieEnd::NotConverted ||
           end == MovieEnd::Skipped;
}

// One movie of a run, the window's and the command line's alike: the copy,
// then, when hooks.conversion asks for one, the conversion in the same folder.
// Throws as extractMovie when the copy fails.
MovieEnd processMovie(const RunSnapshot& run, RunArchive& archive, std::int32_t movie, const std::string& outputFolder,
                      const MovieHooks& hooks, const std::string& name = {});

enum class RunEnd { Completed, Stopped, Failed };

// A movie whose copy failed.
struct MovieFailure {
    std::int32_t movie = 0;
    std::string path;  // the file concerned, when known
    // What failed, with its facts (an EInOutError, a disc::ImageError or
    // another exception), for the window and the command line to word.
    std::exception_ptr error;
    bool damagedImage = false;  // a damaged or unreadable disc image
};

// The failure being handled, as a run reports it; only inside a catch block.
MovieFailure caughtFailure(std::int32_t movie);

struct RunResult {
    RunEnd end = RunEnd::Completed;
    std::vector<std::int32_t> done;          // the movies that need nothing more, in order
    std::vector<std::int32_t> notConverted;  // of those, the ones whose conversion failed
    std::vector<MovieFailure> failures;      // copies that failed, in order
    const MovieFailure& failure() const { return failures.front(); }
};

// Whether a failed copy ends the run (the window) or the next movie follows (the command line).
enum class OnFailure { Stop, GoOn };

// Runs each movie in order; a stop is looked at before each movie and after
// the last. A run that went on past failures ends Failed when any copy failed.
RunResult runAll(const std::vector<std::int32_t>& movies, const std::function<bool()>& stopRequested,
                 const std::function<MovieEnd(std::int32_t)>& process, OnFailure onFailure = OnFailure::Stop);

}  // namespace hotaru
