// ホタル奇譚ムービーカッター
#include "Application.h"
#include "CommandLine.h"
#include "MainWindow.h"
#include "RememberedSettings.h"
#include "Startup.h"
#include "SystemServices.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    // --list, --extract, --help and --version run without a window or a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const cli::Options options = cli::parse(arguments);
    if (options.mode != cli::Mode::Window) {
        QCoreApplication core(argc, argv);
        return cli::run(options);
    }

    Application app(argc, argv);
    const std::unique_ptr<ui::SystemServices> services = ui::makeSystemServices();
    const std::unique_ptr<MainWindow> window =
        startMainWindow(*services, {options.archive, RememberedSettings::userStore(), bundledConverter()});
    window->show();
    return app.exec();
}
