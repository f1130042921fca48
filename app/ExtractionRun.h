#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QWidget;

namespace gui {
class SystemServices;
class TaskbarProgress;
}  // namespace gui

namespace app {
class ExtractionWorker;
class Session;

// One extraction run at a time, seen from the window's thread: starts the
// worker on the session's picks, reports its progress (in the window and on
// the taskbar or dock) and the file being written, keeps the worker's
// settings current, and ends the run with its box. The window owns what
// shows them.
class ExtractionRun : public QObject {
    Q_OBJECT
public:
    enum class End { Completed, Failed, Stopped };

    ExtractionRun(gui::SystemServices& services, Session& session, QWidget* window);
    ~ExtractionRun() override;

    // From the start until the completion box is answered.
    bool isRunning() const { return worker_ != nullptr || completing_; }
    // While the worker still has movies to write.
    bool isStoppable() const { return worker_ != nullptr && !stopping_; }
    // False, after a box saying how much is needed and how much is free, when
    // the output folder cannot hold what the session's picks will make.
    bool roomForPicks() const;
    // Copies the session's picks from its archive, as they are now.
    void start();
    // Ends the run soon, by the worker's own hand: the movie being copied or
    // converted leaves no partial file, a finished copy is kept, and ended()
    // follows with the movies written so far.
    void requestStop();
    // The same, once the user confirms it in a box.
    void confirmStop();
    // Ends a run at once (the window is closing): the movie being written
    // leaves no file behind, and nothing the worker sent lands later.
    void stop();
    // The movies of the last run that need nothing more.
    const std::vector<std::int32_t>& doneMovies() const { return done_; }

Q_SIGNALS:
    void statusChanged(const QString& text);
    void fileNameChanged(const QString& name);
    // `slices` more slices were copied: 100 a movie.
    void stepped(int slices);
    // isStoppable() changed.
    void stoppableChanged(bool stoppable);
    // After the run's box was answered, if it had one.
    void ended(app::ExtractionRun::End how);

private:
    void movieEnded(std::int32_t movie, int end);
    void showProgress();
    void complete();
    void fail(const QString& path, const QString& message);
    void stopped();
    void finish(End how);
    void stopWorker();
    // The run ended while the user looked elsewhere.
    void askForAttention();

    gui::SystemServices& services_;
    Session& session_;
    QWidget* window_;
    std::unique_ptr<gui::TaskbarProgress> taskbar_;
    std::unique_ptr<ExtractionWorker> worker_;
    std::vector<std::int32_t> done_;
    std::vector<std::int32_t> notConverted_;
    QStringList refusedSubtitles_;           // "file: what is wrong", for the completion box
    std::int32_t disc_ = 0;                  // the run's, which File > Open during it does not change
    std::map<std::int32_t, QString> names_;  // what each movie's files are called in this run
    bool completing_ = false;                // every movie written, the box not yet answered
    bool stopping_ = false;
};

}  // namespace app
