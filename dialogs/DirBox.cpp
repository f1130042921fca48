#include "DirBox.h"

#include "DialogSupport.h"
#include "DirectoryListBox.h"
#include "File.h"
#include "InOutError.h"

#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>

TForm2* Form2 = nullptr;

using dialogs::button;
using dialogs::place;

QStringList systemDriveRoots()
{
    QStringList roots;
#ifdef _WIN32
    for (const QFileInfo& d : QDir::drives())
        roots << QDir::toNativeSeparators(d.absoluteFilePath());
#else
    roots << QStringLiteral("/");
    QStringList media;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString r = v.rootPath();
        if (r.startsWith(QStringLiteral("/media/")) || r.startsWith(QStringLiteral("/run/media/")) ||
            r.startsWith(QStringLiteral("/mnt/")))
            media << r;
    }
    media.sort();
    media.removeDuplicates();
    roots << media;
#endif
    return roots;
}

TForm2::TForm2(QWidget* parent) : TForm2(systemDriveRoots(), parent) {}

TForm2::TForm2(const QStringList& drives, QWidget* parent) : QDialog(parent)
{
    Form2 = this;
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("保存先の指定"));
    setFont(dialogs::uiFont(12));
    // Close box only; the border stays sizable.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(288, 210);
    move(279, 227);

    DirectoryListBox1 = place<TDirectoryListBox>(this, "DirectoryListBox1", 16, 16, 161, 145);
    DriveComboBox1 = place<QComboBox>(this, "DriveComboBox1", 16, 176, 161, 18);
    Button1 = button(this, "Button1", QStringLiteral("OK"), 200, 16, 75, 25);
    Button2 = button(this, "Button2", QStringLiteral("Cancel"), 200, 56, 75, 25);
    setTabOrder(DirectoryListBox1, DriveComboBox1);
    setTabOrder(DriveComboBox1, Button1);
    setTabOrder(Button1, Button2);

    QString cwd;
    try {
        cwd = QDir::toNativeSeparators(QString::fromStdString(hotaru::currentDirectory()));
    } catch (const hotaru::EInOutError&) {
        // The directory was removed under us: start from the first drive instead.
        cwd = drives.isEmpty() ? QDir::toNativeSeparators(QDir::rootPath()) : drives.constFirst();
    }
    const QString drive = dialogs::driveOf(cwd, drives);
    {
        const QSignalBlocker quiet(DriveComboBox1);
        for (const QString& d : drives) {
            const QString root = QDir::toNativeSeparators(dialogs::cleanFolder(d));
            if (driveIndex(root) < 0)
                DriveComboBox1->addItem(root, root);
        }
        if (driveIndex(drive) < 0)
            DriveComboBox1->addItem(drive, drive);
        DriveComboBox1->setCurrentIndex(driveIndex(drive));
    }
    DirectoryListBox1->ShowCurrent(drive, cwd);
    lastFolder_[drive] = DirectoryListBox1->Directory();

    connect(DirectoryListBox1, &TDirectoryListBox::Change, this,
            [this](const QString& folder) { lastFolder_[DirectoryListBox1->Drive()] = folder; });
    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this,
            [this] { dialogs::runHandler([this] { DriveComboBox1Change(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { dialogs::runHandler([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { dialogs::runHandler([this] { Button2Click(); }); });
}

TForm2::~TForm2()
{
    if (Form2 == this)
        Form2 = nullptr;
}

int TForm2::driveIndex(const QString& drive) const
{
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        if (DriveComboBox1->itemData(i).toString() == drive)
            return i;
    }
    return -1;
}

QString TForm2::ChosenFolder() const
{
    // Only a folder without a trailing separator gets one: a root such as
    // "/" or "d:\" is reported with its own and must not end up with two.
    const QString d = DirectoryListBox1->Directory();
    if (d.endsWith(QDir::separator()) || d.endsWith(u'/'))
        return d;
    return d + QDir::separator();
}

void TForm2::DriveComboBox1Change()
{
    // The drive's own folder from the last visit, else its root. The tree and
    // the current directory stay put when neither can be entered.
    const QString drive = DriveComboBox1->currentData().toString();
    const QString recorded = lastFolder_.value(drive, drive);
    try {
        DirectoryListBox1->SetDirectory(drive, recorded);
    } catch (const hotaru::EInOutError&) {
        if (recorded == drive)
            throw;
        DirectoryListBox1->SetDirectory(drive, drive);
    }
}

void TForm2::Button1Click()
{
    Q_EMIT OutputFolderChosen(ChosenFolder());
    accept();
}

void TForm2::Button2Click() { reject(); }

void TForm2::keyPressEvent(QKeyEvent* e)
{
    if (!dialogs::dialogKey(e))
        QDialog::keyPressEvent(e);
}

void TForm2::showEvent(QShowEvent* e)
{
    // Back where it was left, with the subfolders as they are now.
    DirectoryListBox1->Reread();
    QDialog::showEvent(e);
}
