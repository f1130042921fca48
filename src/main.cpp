// ホタル奇譚ムービーカッター
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/RememberedSettings.h"
#include "app/Startup.h"
#include "cli/CommandLine.h"
#include "gui/SystemServices.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>

namespace {

// argv is in the ANSI code page; the wide command line holds every name.
QStringList wideArguments()
{
    QStringList arguments;
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments << QString::fromWCharArray(wide[i]);
        LocalFree(wide);
    }
    return arguments;
}

// A window program gets no console: started from one (or through
// hotaru-movie-cutter.com, which hands over the console's handles), it joins
// that console, so that its text can go out as UTF-16 whatever the console's
// code page; output redirected to a file or pipe stays where it was sent.
void useParentConsole()
{
    const bool out = GetStdHandle(STD_OUTPUT_HANDLE) != nullptr;
    const bool err = GetStdHandle(STD_ERROR_HANDLE) != nullptr;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!out && !std::freopen("CONOUT$", "w", stdout))
        return;
    if (!err)
        std::freopen("CONOUT$", "w", stderr);
}

}  // namespace
#endif

int main(int argc, char** argv)
{
#ifndef _WIN32
    // Past a file size limit a write then fails (EFBIG) and the run ends as
    // on a full disk, nothing partial left, instead of the process being
    // killed mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // --list, --extract, --help and --version run without a window or a display.
#ifdef _WIN32
    const QStringList arguments = wideArguments();
#else
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
#endif
    // The one place the folder the program was started in is read.
    const cli::Options options = cli::parse(arguments, QDir::currentPath());
    if (options.mode != cli::Mode::Window) {
#ifdef _WIN32
        useParentConsole();
#endif
        QCoreApplication core(argc, argv);
        return cli::run(options);
    }

    app::Application application(argc, argv);
    const std::unique_ptr<gui::SystemServices> services = gui::makeSystemServices();
    const std::unique_ptr<app::MainWindow> window =
        app::startMainWindow(*services, {options.archive, app::RememberedSettings::userStore(), app::bundledConverter(),
                                         &application.translations(), options.language});
    window->show();
    return application.exec();
}
