#pragma once

#include "extract/Converter.h"
#include "extract/MovieExtraction.h"
#include "extract/RunArchive.h"
#include "extract/RunProgress.h"
#include "extract/TaskThread.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace app {
// The thread of one extraction run: copies the snapshot's movies one by one
// and, with an output format on, hands each copy to the converter. It never touches
// a widget: everything the window shows reaches it through these signals,
// queued to the window's thread.
class ExtractionWorker : public QThread {
    Q_OBJECT
public:
    // Copies run at `copyPriority`: idle, so that they yield to everything
    // else, unless the caller wants otherwise.
    explicit ExtractionWorker(hotaru::RunSnapshot snapshot, QObject* parent = nullptr,
                              Priority copyPriority = IdlePriority);

    const hotaru::RunSnapshot& snapshot() const { return snapshot_; }
    // The window's thread updates these; each movie reads them afresh.
    hotaru::RunSettings& settings() { return settings_; }
    // The slices copied since the last call. stepped() comes at most once per
    // StepInterval and not again before this is called, so the window gets a
    // few events a movie instead of one per slice; each movie's last slice is
    // always announced before the next movie begins.
    int takeSteps()
    {
        stepPending_.store(false);
        return steps_.exchange(0);
    }
    // How far the whole run is, 0..1, as of the last slice or movie ended.
    double fraction() const { return fraction_.load(); }

Q_SIGNALS:
    // Before its copy: the name `movie`'s files get in this run.
    void named(std::int32_t movie, const QString& name);
    // `movie` was left out: its name `name` is taken and the rule says skip.
    void skipped(std::int32_t movie, const QString& name);
    // The copy of `movie` begins, or goes on after a sector was read again.
    void copying(std::int32_t movie);
    // A failed sector of `movie` is read again (attempt from 1).
    void retrying(std::int32_t movie, int attempt);
    // Its conversion into a hotaru::VideoFormat begins, or failed (the .cpk stays).
    void converting(std::int32_t movie, int format);
    void notConverted(std::int32_t movie, int format);
    // The subtitle file found for `movie` is unusable (a hotaru::SubtitleError
    // on `line`); the movie is converted without it.
    void subtitlesRefused(std::int32_t movie, const QString& path, int error, int line);
    void fileNameChanged(const QString& text);
    void stepped();  // slices were copied: takeSteps() tells how many
    // The movie's .cpk is complete; its conversion, if any, follows.
    void movieWritten(std::int32_t movie);
    // How the movie ended: a hotaru::MovieEnd. A copy that failed ends the run instead.
    void movieEnded(std::int32_t movie, int end);
    // The run stopped at a failed file operation; nothing after it was done.
    void failed(const QString& path, const QString& message);
    // Every picked movie was written.
    void completed();
    // The run ended on request before its last movie was done.
    void stopped();

protected:
    // Start it with start() at the caller's priority: the run lowers itself
    // to its copy priority once its hand-off thread exists.
    void run() override;
    // Copies movie n, then hands it on while an output format is on.
    virtual hotaru::MovieEnd extractMovie(std::int32_t n);
    // Called with an output format on, once title + ".cpk" is complete and
    // closed in the job's folder; returns when the movie has been dealt with.
    virtual hotaru::ConversionOutcome handOff(const hotaru::Conversion& job);
    // Runs `task` on the thread that kept the run's starting priority.
    void atNormalPriority(const std::function<void()>& task) { handOffs_->run(task); }

    static constexpr qint64 StepInterval = 10;  // ms

private:
    // For the slice callback: counts the slice, and keeps going unless
    // interruption was requested.
    bool sliceDone();
    // Announces the slices not yet announced, unless an announcement is still unread.
    void offerSteps();

    hotaru::TaskThread* handOffs_ = nullptr;   // during run()
    hotaru::RunArchive* archive_ = nullptr;    // during run(): every movie reads through it
    hotaru::RunProgress* progress_ = nullptr;  // during run()
    hotaru::OutputNames* names_ = nullptr;     // during run()
    std::string folder_;                       // worker thread only: the movie's folder
    std::atomic<double> fraction_{0.0};
    QElapsedTimer sinceSteps_;  // worker thread only
    std::atomic<int> steps_{0};
    std::atomic<bool> stepPending_{false};
    hotaru::RunSnapshot snapshot_;
    hotaru::RunSettings settings_;
    Priority copyPriority_;
};

}  // namespace app
