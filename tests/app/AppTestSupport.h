#pragma once
// The main window as the program starts it, on a seam that answers in
// advance, and its controls found by their layout names.

#include "FakeSystemServices.h"
#include "app/ChoiceList.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "catalogue/Archive.h"
#include "platform/Path.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStringList>
#include <QTest>

#include <QTemporaryDir>

#include <cstdint>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

using namespace app;

// A file of `size` zero bytes, made in an instant: QFile extends it sparsely on
// every system, where std::filesystem::resize_file on Windows writes each zero.
inline void makeSizedFile(const std::string& path, std::int64_t size)
{
    std::ofstream(path).close();
    if (!QFile::resize(QString::fromStdString(path), size))
        throw std::runtime_error("cannot size " + path);
}

// The same, named `name` in `dir`; its path.
inline std::string makeFile(const QTemporaryDir& dir, const QString& name, std::int64_t size)
{
    const std::string p = dir.filePath(name).toStdString();
    makeSizedFile(p, size);
    return p;
}

// The status line once a disc is listed.
inline const QString Ready = QStringLiteral("作成するムービーファイルを選択してください。");

// Fake drives whose CD-ROM roots are the given folders.
inline void setDrives(FakeSystemServices& services, const QStringList& cdromRoots, const QStringList& otherRoots = {})
{
    FakeDrives& d = services.fakeDrives;
    d.rootList.clear();
    d.cdroms.clear();
    for (const QString& r : otherRoots)
        d.rootList.push_back(r.toStdString());
    for (const QString& r : cdromRoots) {
        d.rootList.push_back(r.toStdString());
        d.cdroms.insert(r.toStdString());
    }
}

// Every control and menu item of the main window, by its layout name.
struct Controls {
    explicit Controls(const MainWindow& w)
        : titles(find<ChoiceList>(w, "ListBox1")), picks(find<ChoiceList>(w, "ListBox2")),
          add(find<QPushButton>(w, "Button2")), remove(find<QPushButton>(w, "Button3")),
          selectAll(find<QPushButton>(w, "Button5")), clearAll(find<QPushButton>(w, "Button6")),
          run(find<QPushButton>(w, "Button4")), exit(find<QPushButton>(w, "Button1")),
          fileName(find<QLabel>(w, "Label2")), progress(find<QProgressBar>(w, "ProgressBar1")),
          status(find<QStatusBar>(w, "StatusBar1")), open(find<QAction>(w, "Open1")),
          outputFolder(find<QAction>(w, "KS1")), stopItem(find<QAction>(w, "Stop1")),
          exitItem(find<QAction>(w, "Exit1")), aviOutput(find<QAction>(w, "ACPK2AVI")),
          mp4Output(find<QAction>(w, "MP4Output")),
          mkvOutput(find<QAction>(w, "MKVOutput")), scales{find<QAction>(w, "scale1"), find<QAction>(w, "scale2"),
                                                           find<QAction>(w, "scale3"), find<QAction>(w, "scale4")},
          voices{find<QAction>(w, "K2"), find<QAction>(w, "K3"), find<QAction>(w, "K4")},
          about(find<QAction>(w, "About1"))
    {
    }

    template <typename T>
    static T* find(const MainWindow& w, const char* name)
    {
        T* found = w.findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control named %s", name);
        return found;
    }

    ChoiceList* titles;
    ChoiceList* picks;
    QPushButton* add;
    QPushButton* remove;
    QPushButton* selectAll;
    QPushButton* clearAll;
    QPushButton* run;
    QPushButton* exit;
    QLabel* fileName;
    QProgressBar* progress;
    QStatusBar* status;
    QAction* open;
    QAction* outputFolder;
    QAction* stopItem;
    QAction* exitItem;
    QAction* aviOutput;
    QAction* mp4Output;
    QAction* mkvOutput;
    std::array<QAction*, 4> scales;
    QAction* voices[3];
    QAction* about;
};

// A left click on a row, as the user chooses one; the list must be on screen.
inline void clickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->item(row)).center());
}

// A real double-click begins with a click; QTest's double-click sends only the second half.
inline void doubleClickRow(QListWidget* list, int row)
{
    clickRow(list, row);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// The program started on `services`, its window shown.
struct Program {
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Controls> controls;

    // `converter` stands for the converter that comes with the program.
    explicit Program(FakeSystemServices& services, bool show = true, const QString& converter = {})
        : window(startMainWindow(services, {QString(), nullptr, converter}))
    {
        controls = std::make_unique<Controls>(*window);
        if (show) {
            window->show();
            if (!QTest::qWaitForWindowExposed(window.get()))
                qWarning("the main window was not exposed");
        }
    }
    Controls* operator->() const { return controls.get(); }
    Session& session() const { return window->session(); }
    QString status() const { return window->statusText(); }

    // File > Open of `path`, answered through the seam.
    void open(FakeSystemServices& services, const QString& path) const
    {
        services.files = {path};
        controls->open->trigger();
    }
    // Chooses movie n on the left with a click, then presses "->".
    void pick(std::int32_t n) const { pickWith(*controls, n); }
    static void pickWith(const Controls& c, std::int32_t n)
    {
        clickRow(c.titles, n - 1);
        c.add->click();
    }
};

// The program started with `archive` in its only CD-ROM drive, writing to
// `out`. Picking needs the window on screen.
inline Program startWithDisc(FakeSystemServices& services, const QString& archive, const QString& out, bool show = true)
{
    const QString root = QFileInfo(archive).absolutePath();
    setDrives(services, {root});
    services.fakeDrives.files = {hotaru::joinRoot(root.toStdString(), hotaru::ArchiveFileName)};
    Program program(services, show);
    program.session().setOutputFolder(out + u'/');
    return program;
}

// Copies run at idle priority: on a busy machine a run waits its turn.
inline constexpr int RunTimeout = 300000;
inline void waitForTheEnd(const Program& program)
{
    QTRY_VERIFY_WITH_TIMEOUT(!program.window->isRunning(), RunTimeout);
}
