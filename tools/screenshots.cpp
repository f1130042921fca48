// hotaru-screenshots OUTDIR: builds the tool's windows on a stand-in disc and
// saves a PNG of each, for the README. Run it under a display (xvfb-run).
#include "ACPK2AVI.h"
#include "AboutACPK2AVI.h"
#include "Application.h"
#include "DialogSupport.h"
#include "DirBox.h"
#include "VersionInfo.h"
#include "Drives.h"
#include "File.h"
#include "Form1.h"
#include "Globals.h"
#include "SystemSeams.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// One CD-ROM drive whose root is a folder holding a stand-in archive.
class StandInDrive final : public hotaru::DriveProbe {
public:
    explicit StandInDrive(std::string root) : root_(std::move(root)) {}
    std::vector<std::string> roots() const override { return {root_}; }
    bool isCdRom(const std::string&) const override { return true; }
    bool isFile(const std::string& path) const override { return hotaru::isRegularFile(path); }

private:
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

}  // namespace

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    app.Title = applicationTitle();
    if (argc != 2) {
        std::fprintf(stderr, "usage: hotaru-screenshots OUTDIR\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir disc;
    const std::string archive = disc.filePath(QStringLiteral("hotaru4")).toStdString();
    std::ofstream(archive).close();
    std::filesystem::resize_file(archive, 255995904);
    seams::replaceDrives(std::make_unique<StandInDrive>(disc.path().toStdString()));

    // A folder with a few subfolders for the folder tree to show.
    QTemporaryDir home;
    for (const QString& n : {QStringLiteral("ムービー"), QStringLiteral("AVI"), QStringLiteral("保存先")})
        QDir(home.path()).mkpath(n);
    QDir::setCurrent(home.path() + QStringLiteral("/ムービー"));

    TForm1 form;
    TOKRightDlg about;
    TForm2 form2;
    TForm3 form3;
    TForm4 form4;
    form.AttachDialogs();
    bool ok = true;
    for (int row : {2, 5, 26}) {
        form.ListBox1->setCurrentRow(row);
        form.Button2Click();
    }
    form.ListBox1->setCurrentRow(5);
    ok &= save(&form, out, QStringLiteral("main-window.png"));
    ok &= save(&form2, out, QStringLiteral("output-folder.png"));
    dialogs::hooks().openFile = [](QWidget*, const dialogs::FileQuery&) {
        return std::optional<QString>(QStringLiteral("/usr/local/bin/cpk2avi"));
    };
    form3.Button1Click();  // as if 参照 had picked our converter
    ok &= save(&form3, out, QStringLiteral("converter-link.png"));
    ok &= save(&form4, out, QStringLiteral("converter-info.png"));
    ok &= save(&about, out, QStringLiteral("about.png"));
    about.Image1DblClick();
    ok &= save(&about, out, QStringLiteral("about-picture.png"));
    return ok ? 0 : 1;
}
