#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

// The folder tree of one drive, drawn as an indented list: the drive's root
// and every folder down to the one shown, then that folder's subfolders.
// Whatever folder it shows is the process's current directory: it changes
// the directory first and shows the folder only when that worked.
class TDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TDirectoryListBox(QWidget* parent = nullptr);

    // The folder shown and its drive's root, in the system's notation. A root
    // keeps the separator it ends in ("/", "C:\"); any other folder has none.
    QString Directory() const;
    QString Drive() const;
    // The row of the folder shown.
    int ShownRow() const { return shownRow_; }
    // The full path a row stands for.
    QString RowPath(int row) const;

    // Shows `folder`, already the current directory, as a folder of `drive`.
    void ShowCurrent(const QString& drive, const QString& folder);
    // Makes `folder` the current directory, then shows it. A folder that
    // cannot be entered throws EInOutError and changes nothing.
    void SetDirectory(const QString& drive, const QString& folder);
    // Opens the folder of a row, as a double-click does.
    void OpenRow(int row);
    // Lists the subfolders of the folder shown again, without moving.
    void Reread();

Q_SIGNALS:
    // The folder shown changed, to `directory`.
    void Change(const QString& directory);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void fill();

    QString drive_;  // both kept with '/' separators and no trailing one but a root's
    QString dir_;
    int shownRow_ = -1;
};

namespace dialogs {
// With '/' separators and no trailing one, except the one a root ends in.
QString cleanFolder(const QString& path);
// The longest of `drives` that `folder` lies on; else the root of `folder` itself.
QString driveOf(const QString& folder, const QStringList& drives);
}  // namespace dialogs
