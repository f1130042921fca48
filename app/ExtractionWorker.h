#pragma once

#include "CutRun.h"
#include "TaskThread.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <string>

// The worker of one run. It never touches a widget: everything the window
// shows reaches it through these signals, queued to the window's thread.
class TCutThread : public QThread {
    Q_OBJECT
public:
    explicit TCutThread(hotaru::RunSnapshot snapshot, QObject* parent = nullptr);

    const hotaru::RunSnapshot& snapshot() const { return snapshot_; }
    // The user-interface thread updates these; each movie reads them afresh.
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

Q_SIGNALS:
    void statusChanged(const QString& text);
    void labelChanged(const QString& text);
    void stepped();  // slices were copied: takeSteps() tells how many
    void movieDone(std::int32_t movie);
    // The run stopped at a failed file operation; nothing after it was done.
    void failed(const QString& path, const QString& message);
    // Every picked movie was written.
    void completed();

protected:
    // Start with start() at the caller's priority: the run lowers itself to
    // idle once its hand-off thread exists.
    void run() override;
    // Runs over the snapshot's movies, stopping at the first failure or when
    // interruption is requested.
    void CutAll();
    virtual void CutMovie(std::int32_t n) = 0;
    // Runs `task` on the thread that kept the run's starting priority.
    void atNormalPriority(const std::function<void()>& task) { handOffs_->run(task); }

    static constexpr qint64 StepInterval = 10;  // ms

    // For the slice callback: counts the slice, and keeps going unless
    // interruption was requested.
    bool sliceDone()
    {
        steps_.fetch_add(1);
        if (!sinceSteps_.isValid() || sinceSteps_.hasExpired(StepInterval))
            offerSteps();
        return !isInterruptionRequested();
    }
    // Announces the slices not yet announced, unless an announcement is still unread.
    void offerSteps()
    {
        if (steps_.load() > 0 && !stepPending_.exchange(true)) {
            sinceSteps_.start();
            Q_EMIT stepped();
        }
    }

private:
    hotaru::TaskThread* handOffs_ = nullptr;  // during run()
    QElapsedTimer sinceSteps_;  // worker thread only
    std::atomic<int> steps_{0};
    std::atomic<bool> stepPending_{false};
    hotaru::RunSnapshot snapshot_;
    hotaru::RunSettings settings_;
};

// The worker a run creates: copies one movie, then hands it on when AVI output is on.
class TnewThread : public TCutThread {
    Q_OBJECT
public:
    using TCutThread::TCutThread;

protected:
    void CutMovie(std::int32_t n) override;
    // Called with AVI output on, once title + ".cpk" is complete and closed in
    // `folder`; returns when the movie has been dealt with.
    virtual void HandOff(const std::string& title, const std::string& folder,
                         const hotaru::RunSettingsValues& settings);
};
