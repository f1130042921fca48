#include "dialogs/OutputFolderDialog.h"

#include "dialogs/FolderTree.h"
#include "gui/Handlers.h"
#include "gui/WindowLayout.h"
#include "gui/WorkingFolder.h"
#include "platform/File.h"
#include "platform/InOutError.h"

#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>

namespace dialogs {
namespace {

// The layout, in client pixels.
constexpr gui::Place windowPlace{"Form2", 279, 227, 288, 210};
constexpr gui::Place folderTreePlace{"DirectoryListBox1", 16, 16, 161, 145};
constexpr gui::Place driveBoxPlace{"DriveComboBox1", 16, 176, 161, 18};
constexpr gui::Place okButtonPlace{"Button1", 200, 16, 75, 25};
constexpr gui::Place cancelButtonPlace{"Button2", 200, 56, 75, 25};

}  // namespace

OutputFolderDialog::OutputFolderDialog(gui::SystemServices& services, gui::WorkingFolder& workingFolder,
                                       QWidget* parent)
    : OutputFolderDialog(services, workingFolder, services.folderDrives(), parent)
{
}

OutputFolderDialog::OutputFolderDialog(gui::SystemServices& services, gui::WorkingFolder& workingFolder,
                                       const QStringList& drives, QWidget* parent)
    // Close box only; the border stays sizable.
    : FixedWindow({windowPlace.name, QString(),
                   Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint},
                  parent),
      services_(services)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(windowPlace.width, windowPlace.height);
    move(windowPlace.left, windowPlace.top);

    folderTree_ = gui::place<FolderTree>(this, folderTreePlace);
    folderTree_->setWorkingFolder(&workingFolder);
    driveBox_ = gui::place<QComboBox>(this, driveBoxPlace);
    QPushButton* okButton = gui::button(this, okButtonPlace, QStringLiteral("OK"));
    QPushButton* cancelButton = gui::button(this, cancelButtonPlace, QStringLiteral("Cancel"));
    word([this] {
        setWindowTitle(tr("保存先の指定"));
        folderTree_->setAccessibleName(tr("フォルダ"));
        driveBox_->setAccessibleName(tr("ドライブ"));
    });
    setTabOrder(folderTree_, driveBox_);
    setTabOrder(driveBox_, okButton);
    setTabOrder(okButton, cancelButton);

    QString cwd;
    try {
        cwd = workingFolder.path();
    } catch (const hotaru::EInOutError&) {
        // The directory was removed under us: start from the first drive instead.
        cwd = drives.isEmpty() ? QDir::toNativeSeparators(QDir::rootPath()) : drives.constFirst();
    }
    const QString drive = dialogs::driveOf(cwd, drives);
    {
        const QSignalBlocker quiet(driveBox_);
        for (const QString& d : drives) {
            const QString root = QDir::toNativeSeparators(dialogs::cleanFolder(d));
            if (driveIndex(root) < 0)
                driveBox_->addItem(root, root);
        }
        if (driveIndex(drive) < 0)
            driveBox_->addItem(drive, drive);
        driveBox_->setCurrentIndex(driveIndex(drive));
    }
    folderTree_->showCurrent(drive, cwd);
    lastFolder_[drive] = folderTree_->directory();

    connect(folderTree_, &FolderTree::directoryChanged, this,
            [this](const QString& folder) { lastFolder_[folderTree_->drive()] = folder; });
    connect(folderTree_, &FolderTree::rowActivated, this,
            [this](int row) { gui::runHandler(services_, this, [this, row] { onRowActivated(row); }); });
    gui::connectHandler(services_, driveBox_, &QComboBox::currentIndexChanged, this,
                        &OutputFolderDialog::onDriveChanged);
    gui::connectHandler(services_, okButton, &QPushButton::clicked, this, &OutputFolderDialog::onOkClicked);
    gui::connectHandler(services_, cancelButton, &QPushButton::clicked, this, &OutputFolderDialog::onCancelClicked);
}

int OutputFolderDialog::driveIndex(const QString& drive) const
{
    for (int i = 0; i < driveBox_->count(); ++i) {
        if (driveBox_->itemData(i).toString() == drive)
            return i;
    }
    return -1;
}

QString OutputFolderDialog::chosenFolder() const
{
    // Only a folder without a trailing separator gets one: a root such as
    // "/" or "d:\" is reported with its own and must not end up with two.
    const QString d = folderTree_->directory();
    if (d.endsWith(QDir::separator()) || d.endsWith(u'/'))
        return d;
    return d + QDir::separator();
}

void OutputFolderDialog::onRowActivated(int row) { folderTree_->openRow(row); }

void OutputFolderDialog::onDriveChanged()
{
    // The drive's own folder from the last visit, else its root. The tree and
    // the current directory stay put when neither can be entered.
    const QString drive = driveBox_->currentData().toString();
    const QString recorded = lastFolder_.value(drive, drive);
    try {
        folderTree_->setDirectory(drive, recorded);
    } catch (const hotaru::EInOutError&) {
        if (recorded == drive)
            throw;
        folderTree_->setDirectory(drive, drive);
    }
}

void OutputFolderDialog::onOkClicked()
{
    Q_EMIT outputFolderChosen(chosenFolder());
    accept();
}

void OutputFolderDialog::onCancelClicked() { reject(); }

void OutputFolderDialog::showEvent(QShowEvent* e)
{
    // Back where it was left, with the subfolders as they are now.
    folderTree_->reread();
    FixedWindow::showEvent(e);
}

}  // namespace dialogs
