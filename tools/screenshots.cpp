// hotaru-screenshots OUTDIR: starts the tool's windows on a stand-in disc and
// saves a PNG of each, for the README. Run it under a display (xvfb-run).
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "catalogue/Catalogue.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ConverterInfoWindow.h"
#include "dialogs/ConverterLinkDialog.h"
#include "dialogs/OutputFolderDialog.h"
#include "gui/SystemServices.h"
#include "platform/Drives.h"
#include "platform/File.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <fstream>

using app::MainWindow;
using dialogs::AboutDialog;
using dialogs::ConverterLinkDialog;

namespace {

// One CD-ROM drive whose root is a folder holding a stand-in archive; the
// converter picker answers with the bundled converter; boxes answer OK.
class StandInServices final : public gui::SystemServices, private hotaru::DriveProbe {
public:
    explicit StandInServices(std::string root) : root_(std::move(root)) {}

    gui::BoxAnswer messageBox(QWidget*, const QString&, const QString&, gui::BoxButtons, gui::BoxIcon) override
    {
        return gui::BoxAnswer::Ok;
    }
    void notify(QWidget*, const QString&, const QString&, std::function<void()> dismissed) override
    {
        if (dismissed)
            dismissed();
    }
    std::optional<QString> openFile(QWidget*, const gui::FileRequest&) override
    {
        return QStringLiteral("/usr/local/bin/cpk2avi");
    }
    const hotaru::DriveProbe& drives() const override { return *this; }
    QStringList folderDrives() const override { return {QStringLiteral("/")}; }

private:
    std::vector<std::string> roots() const override { return {root_}; }
    bool isCdRom(const std::string&) const override { return true; }
    bool isFile(const std::string& path) const override { return hotaru::isRegularFile(path); }

    std::string root_;
};

bool save(QWidget* w, const QString& dir, const QString& name)
{
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        return false;
    QTest::qWait(200);
    const QString path = QDir(dir).filePath(name);
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

void clickRow(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

}  // namespace

int main(int argc, char** argv)
{
    app::Application application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: hotaru-screenshots OUTDIR\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir disc;
    const std::string archive = disc.filePath(QStringLiteral("hotaru4")).toStdString();
    std::ofstream(archive).close();
    std::filesystem::resize_file(archive, hotaru::Disc1ArchiveSize);
    StandInServices services(disc.path().toStdString());

    // A folder with a few subfolders for the folder tree to show.
    QTemporaryDir home;
    for (const QString& n : {QStringLiteral("ムービー"), QStringLiteral("AVI"), QStringLiteral("保存先")})
        QDir(home.path()).mkpath(n);
    QDir::setCurrent(home.path() + QStringLiteral("/ムービー"));

    const std::unique_ptr<MainWindow> window = app::startMainWindow(services);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return 1;
    auto* titles = window->findChild<QListWidget*>(QStringLiteral("ListBox1"));
    auto* add = window->findChild<QPushButton*>(QStringLiteral("Button2"));
    for (int row : {2, 5, 26}) {
        clickRow(titles, row);
        add->click();
    }
    clickRow(titles, 5);
    bool ok = save(window.get(), out, QStringLiteral("main-window.png"));
    ok &= save(&window->outputFolderDialog(), out, QStringLiteral("output-folder.png"));
    ConverterLinkDialog& link = window->converterLinkDialog();
    link.findChild<QPushButton*>(QStringLiteral("Button1"))->click();  // 参照 picks the bundled converter
    ok &= save(&link, out, QStringLiteral("converter-link.png"));
    ok &= save(link.infoWindow(), out, QStringLiteral("converter-info.png"));
    AboutDialog& about = window->aboutDialog();
    ok &= save(&about, out, QStringLiteral("about.png"));
    QWidget* emblem = about.findChild<QWidget*>(QStringLiteral("Image1"));
    QTest::mouseDClick(emblem, Qt::LeftButton);
    ok &= save(&about, out, QStringLiteral("about-picture.png"));
    return ok ? 0 : 1;
}
