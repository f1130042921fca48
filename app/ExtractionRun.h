#pragma once

#include <QObject>
#include <QString>

#include <memory>

class ExtractionWorker;
class QLabel;
class QProgressBar;
class QWidget;
class Session;

namespace gui {
class SystemServices;
}

// One extraction run at a time, seen from the window's thread: starts the
// worker on the session's picks, steps the progress bar, shows the file being
// written, keeps the worker's settings current, and ends the run with its box.
class ExtractionRun : public QObject {
    Q_OBJECT
public:
    ExtractionRun(gui::SystemServices& services, Session& session, QWidget* window, QProgressBar* progress,
                  QLabel* fileName);
    ~ExtractionRun() override;

    // From the start until the completion box is answered.
    bool isRunning() const { return worker_ != nullptr || completing_; }
    // Copies the session's picks from its archive, as they are now.
    void start();
    // Ends a run at once (the window is closing): the movie being written
    // leaves no file behind, and nothing the worker sent lands later.
    void stop();

Q_SIGNALS:
    void statusChanged(const QString& text);
    // After the run's box was answered; `completed` is false when it failed.
    void ended(bool completed);

private:
    void step();
    void complete();
    void fail(const QString& path, const QString& message);
    void finish(bool completed);
    void stopWorker();

    gui::SystemServices& services_;
    Session& session_;
    QWidget* window_;
    QProgressBar* progress_;
    QLabel* fileName_;
    std::unique_ptr<ExtractionWorker> worker_;
    bool completing_ = false;  // every movie written, the box not yet answered
};
