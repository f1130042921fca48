#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QThread>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace hotaru {
class DriveProbe;
}

namespace gui {
class AudioOutput;
class SoundSource;
class TaskbarProgress;

enum class BoxButtons { Ok, RetryCancel, OkCancel };
enum class BoxIcon { None, Stop };
enum class BoxAnswer { Ok, Retry, Cancel };

// What a file-open dialog lists and where it starts.
struct FileRequest {
    QString title;          // empty: the system's default
    QString filterName;     // e.g. "ホタル奇譚ムービーファイル(hotaru4)"
    QStringList fileNames;  // the only names listed
    QString initialName;
    QString initialFolder;  // empty: wherever the system starts
    // Further entries after the first, which stays the default: a name and
    // its patterns ("*.iso") each.
    QList<QPair<QString, QStringList>> moreFilters;
};

// Everything a window asks of the system that waits for the user or differs
// from machine to machine: message boxes, file pickers, the drive scan and the
// sound device.
// Windows are handed one; tests hand them a fake that answers in advance.
class SystemServices {
public:
    virtual ~SystemServices() = default;

    virtual BoxAnswer messageBox(QWidget* owner, const QString& text, const QString& caption,
                                 BoxButtons buttons = BoxButtons::Ok, BoxIcon icon = BoxIcon::None) = 0;
    // A box with an OK button that blocks no window: the menus and the other
    // windows stay usable while it shows. `dismissed` runs once it is closed
    // (not when its owner goes first).
    virtual void notify(QWidget* owner, const QString& text, const QString& caption,
                        std::function<void()> dismissed) = 0;
    // The chosen file's full path, or nothing when cancelled.
    virtual std::optional<QString> openFile(QWidget* owner, const FileRequest& request) = 0;
    // The chosen folder's full path, starting at `start`; nothing when cancelled.
    virtual std::optional<QString> chooseFolder(QWidget* owner, const QString& title, const QString& start) = 0;
    virtual const hotaru::DriveProbe& drives() const = 0;
    // The drives the output-folder dialog offers: the drive letters present
    // on Windows; elsewhere "/" and the mount points of mounted media.
    virtual QStringList folderDrives() const = 0;
    // The priority copies run at: idle, so that they yield to everything else
    // running. What a window test checks of a run must not wait for the
    // scheduler's leftovers on a busy machine, so its fake may choose.
    virtual QThread::Priority copyPriority() const { return QThread::IdlePriority; }
    // A run's progress on the window's taskbar button or dock icon.
    virtual std::unique_ptr<TaskbarProgress> taskbarProgress(QWidget* window);
    // The taskbar button flashes, or the window is marked urgent.
    virtual void requestAttention(QWidget* window);
    // What the folder's volume can still take, in bytes; nothing when unknown.
    virtual std::optional<std::int64_t> freeSpace(const QString& folder) const;
    // The sound device, for signed 16-bit sound at this rate, playing what
    // `source` gives (which outlives it); nothing when there is none.
    virtual std::unique_ptr<AudioOutput> openAudio(int sampleRate, int channels, SoundSource& source);

    // The standard error box: the message and a full stop, captioned with
    // the program's title, stop icon.
    void showError(QWidget* owner, const QString& message);
};

// The real dialogs and the system's own drives.
std::unique_ptr<SystemServices> makeSystemServices();

// An error's text as the last line of a box: a full stop after it, of the
// text's own width, and a capital letter where English needs one.
QString asSentence(const QString& text);
// The program's title: the main window's caption and the error box's.
QString programTitle();

}  // namespace gui
