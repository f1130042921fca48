#include "app/Startup.h"

#include "app/MainWindow.h"
#include "app/RememberedSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

std::unique_ptr<MainWindow> startMainWindow(gui::SystemServices& services, StartOptions options)
{
    auto window = std::make_unique<MainWindow>(services);
    if (options.settings)
        new RememberedSettings(std::move(options.settings), window->session());  // owned by the session
    window->start(options.archive, options.offeredConverter);
    return window;
}

QString bundledConverter()
{
#ifdef _WIN32
    const QString name = QStringLiteral("cpk2avi.exe");
#else
    const QString name = QStringLiteral("cpk2avi");
#endif
    const QFileInfo file(QDir(QCoreApplication::applicationDirPath()).filePath(name));
    return file.isFile() && file.isExecutable() ? QDir::toNativeSeparators(file.absoluteFilePath()) : QString();
}
