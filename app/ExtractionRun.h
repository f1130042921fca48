#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace gui {
class SystemServices;
}

namespace app {
class ExtractionWorker;
class Session;

// One extraction run at a time, seen from the window's thread: starts the
// worker on the session's picks, reports its progress and the file being
// written, keeps the worker's settings current, and ends the run with its box.
// The window owns what shows them.
class ExtractionRun : public QObject {
    Q_OBJECT
public:
    ExtractionRun(gui::SystemServices& services, Session& session, QWidget* window);
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
    void fileNameChanged(const QString& name);
    // `slices` more slices were copied: 100 a movie.
    void stepped(int slices);
    // After the run's box was answered; `completed` is false when it failed.
    void ended(bool completed);

private:
    void complete();
    void fail(const QString& path, const QString& message);
    void finish(bool completed);
    void stopWorker();

    gui::SystemServices& services_;
    Session& session_;
    QWidget* window_;
    std::unique_ptr<ExtractionWorker> worker_;
    bool completing_ = false;  // every movie written, the box not yet answered
};

}  // namespace app
