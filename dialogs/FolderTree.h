#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

namespace gui {
class WorkingFolder;
}

namespace dialogs {

// The folder tree of one drive, drawn as an indented list: the drive's root
// and every folder down to the one shown, then that folder's subfolders.
// Whatever folder it shows is the working folder: it moves that first and
// shows the folder only when that worked.
class FolderTree : public QListWidget {
    Q_OBJECT
public:
    explicit FolderTree(QWidget* parent = nullptr);
    // What it moves; none: the tree only shows folders.
    void setWorkingFolder(gui::WorkingFolder* folder) { workingFolder_ = folder; }

    // The folder shown and its drive's root, in the system's notation. A root
    // keeps the separator it ends in ("/", "C:\"); any other folder has none.
    QString directory() const;
    QString drive() const;
    // The row of the folder shown.
    int shownRow() const { return shownRow_; }
    // The full path a row stands for.
    QString rowPath(int row) const;

    // Shows `folder`, already the current directory, as a folder of `drive`.
    void showCurrent(const QString& drive, const QString& folder);
    // Makes `folder` the current directory, then shows it. A folder that
    // cannot be entered throws EInOutError and changes nothing.
    void setDirectory(const QString& drive, const QString& folder);
    // Opens the folder of a row, as a double-click does; throws as setDirectory.
    void openRow(int row);
    // Lists the subfolders of the folder shown again, without moving.
    void reread();

Q_SIGNALS:
    // The user double-clicked a row or pressed Enter on one: the owner opens
    // it with openRow, which may fail.
    void rowActivated(int row);
    // The folder shown changed, to `directory`.
    void directoryChanged(const QString& directory);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void fill();

    QString drive_;  // both kept with '/' separators and no trailing one but a root's
    QString dir_;
    int shownRow_ = -1;
    gui::WorkingFolder* workingFolder_ = nullptr;
};

// With '/' separators and no trailing one, except the one a root ends in.
QString cleanFolder(const QString& path);
// The longest of `drives` that `folder` lies on; else the root of `folder` itself.
QString driveOf(const QString& folder, const QStringList& drives);

}  // namespace dialogs
