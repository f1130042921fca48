#pragma once

#include "catalogue/MovieFiles.h"
#include "extract/CopyRange.h"
#include "extract/RunArchive.h"

#include <cstdint>
#include <functional>
#include <mutex>
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
};

// Settings the user may change while a run goes on; each movie reads them afresh.
struct RunSettingsValues {
    std::string outputFolder;  // where movies go, ending in a separator; empty: the current folder
    bool aviOutput = false;
    std::string converterPath;
    // MP4 output, through the converter that comes with the program.
    bool mp4Output = false;
    std::string bundledConverterPath;
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

// The status texts while a movie is copied, and while a sector of it that
// failed to read is read again (`attempt` from 1).
std::string creatingText(std::string_view title);
std::string retryingText(std::string_view title, int attempt);

struct MovieHooks {
    std::function<void(const std::string&)> status;    // the copy of this movie begins
    std::function<void(const std::string&)> label;     // the files are open: the name being written
    SliceCallback slice;                               // after each slice; false stops
    std::function<void(const std::string&)> retrying;  // a bad sector is being read again
};

// Copies movie `movie` of the snapshot's disc into outputFolder + cpkName(title):
// the folder and the name, nothing between. The bytes come through `archive`,
// the run's one opened archive (the snapshot's).
// Throws EInOutError or disc::ImageError.
CopyOutcome extractMovie(const RunSnapshot& run, RunArchive& archive, std::int32_t movie,
                         const std::string& outputFolder, const MovieHooks& hooks);

enum class RunEnd { Completed, Stopped, Failed };

struct RunResult {
    RunEnd end = RunEnd::Completed;
    std::string path;     // the file concerned, when failed
    std::string message;  // the failure's text in the window's words, without a full stop
    // A damaged or unreadable disc image: the movie whose bytes were bad, and
    // the failure in plain English for the command line.
    bool damagedImage = false;
    std::int32_t movie = 0;
    std::string englishMessage;
};

// Extracts each movie in order until one fails or a stop is asked for; a stop is
// looked at before each movie and after the last.
RunResult runAll(const std::vector<std::int32_t>& movies, const std::function<bool()>& stopRequested,
                 const std::function<void(std::int32_t)>& extract);

}  // namespace hotaru
