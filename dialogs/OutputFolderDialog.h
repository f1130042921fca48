#pragma once

#include "gui/FixedWindow.h"

#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>

class QComboBox;
class QKeyEvent;
class QShowEvent;

namespace gui {
class SystemServices;
class WorkingFolder;
}  // namespace gui

namespace dialogs {
class FolderTree;

// "保存先の指定": chooses the folder the movies are written to. Every folder
// the tree shows becomes the working folder at once; OK hands the folder
// on through outputFolderChosen, Cancel and the close box hand on nothing.
class OutputFolderDialog : public gui::FixedWindow<QDialog> {
    Q_OBJECT
public:
    // The tree starts at the current directory, on the drive it lies on,
    // with the system's folder drives or `drives` to choose from.
    OutputFolderDialog(gui::SystemServices& services, gui::WorkingFolder& workingFolder, QWidget* parent = nullptr);
    OutputFolderDialog(gui::SystemServices& services, gui::WorkingFolder& workingFolder, const QStringList& drives,
                       QWidget* parent = nullptr);

Q_SIGNALS:
    // The folder shown when OK was pressed, ending in exactly one separator.
    void outputFolderChosen(const QString& folder);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void onRowActivated(int row);
    void onDriveChanged();
    void onOkClicked();
    void onCancelClicked();

    QString chosenFolder() const;
    int driveIndex(const QString& drive) const;

    gui::SystemServices& services_;
    FolderTree* folderTree_;
    QComboBox* driveBox_;
    QMap<QString, QString> lastFolder_;  // per drive, the folder last shown on it
};

}  // namespace dialogs
