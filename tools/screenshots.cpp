// hotaru-screenshots OUTDIR: starts the tool's windows on a stand-in disc and
// saves a PNG of each, for the README, with a title's tooltip and the preview
// of a movie (clips from make-film-clip.sh). Run it under a display (xvfb-run).
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "catalogue/Catalogue.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ConverterInfoWindow.h"
#include "dialogs/ConverterLinkDialog.h"
#include "dialogs/OutputFolderDialog.h"
#include "dialogs/PreviewWindow.h"
#include "gui/SystemServices.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "tools/SampleArchive.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QHelpEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cstdio>
#include <cstdlib>
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
    std::optional<QString> chooseFolder(QWidget*, const QString&, const QString&) override { return std::nullopt; }
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

// What the screen shows around the window and whatever pops up at its side.
bool saveScreen(QWidget* w, QRect area, const QString& dir, const QString& name)
{
    const QString path = QDir(dir).filePath(name);
    const bool ok = w->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

// A clip of the movie, titled, for the stand-in disc; false when the script fails.
bool makeClip(const QString& clips, std::int32_t movie)
{
    const QString clip = QDir(clips).filePath(QString::fromStdString(hotaru::clipFileName(movie)));
    ::setenv("CLIP_TITLE", std::string(hotaru::movieTitle(1, movie)).c_str(), 1);
    const QByteArray command =
        QByteArrayLiteral("'" CLIP_SCRIPT "' ") + QByteArray::number(movie) + " '" + clip.toUtf8() + "' 6";
    return std::system(command.constData()) == 0;
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
    const QString clips = disc.filePath(QStringLiteral("clips"));
    QDir().mkpath(clips);
    for (std::int32_t movie : {3, 6})
        if (!makeClip(clips, movie))
            return 1;
    hotaru::writeSampleArchive(archive, 1, hotaru::SampleFill::Stamped, clips.toStdString());
    StandInServices services(disc.path().toStdString());

    // A folder with a few subfolders for the folder tree to show.
    QTemporaryDir home;
    for (const QString& n : {QStringLiteral("ムービー"), QStringLiteral("AVI"), QStringLiteral("保存先")})
        QDir(home.path()).mkpath(n);
    QDir::setCurrent(home.path() + QStringLiteral("/ムービー"));

    const std::unique_ptr<MainWindow> window = app::startMainWindow(
        services, {QString(), nullptr, {}, &application.translations(), language::Language::Japanese});
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
    const QList<QWidget*> shown{&about, link.infoWindow(), &link, &window->outputFolderDialog()};
    for (QWidget* w : shown)
        w->close();

    // Hovering a title: its picture and facts.
    clickRow(titles, 2);
    const QPoint at = titles->visualItemRect(titles->item(2)).center();
    QCursor::setPos(titles->viewport()->mapToGlobal(at));  // a tooltip goes when the pointer is elsewhere
    QTest::qWait(100);
    QHelpEvent hover(QEvent::ToolTip, at, titles->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(titles->viewport(), &hover);
    for (int i = 0; i < 100 && !QToolTip::text().contains(QStringLiteral("<img")); ++i)
        QTest::qWait(50);
    QTest::qWait(300);
    QRect area = window->frameGeometry();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->inherits("QTipLabel"))
            area = area.united(w->frameGeometry());
    ok &= QToolTip::isVisible() &&
          saveScreen(window.get(), area.adjusted(-4, -4, 4, 4), out, QStringLiteral("tooltip.png"));
    QToolTip::hideText();

    // The preview of the title, paused three seconds in.
    window->findChild<QAction*>(QStringLiteral("Preview1"))->trigger();
    auto* preview = window->findChild<dialogs::PreviewWindow*>();
    for (int i = 0; preview && i < 100 && preview->player().length() <= 0; ++i)
        QTest::qWait(50);
    if (!preview || preview->player().length() <= 0)
        return 1;
    preview->player().pause();
    preview->player().seek(3.2);
    QTest::qWait(500);
    ok &= save(preview, out, QStringLiteral("preview.png"));
    preview->close();

    // The same window in English.
    window->findChild<QAction*>(QStringLiteral("english"))->trigger();
    clickRow(titles, 5);
    ok &= save(window.get(), out, QStringLiteral("main-window-en.png"));
    return ok ? 0 : 1;
}
