#include "Startup.h"

#include "MainWindow.h"
#include "RememberedSettings.h"

#include <QSettings>

std::unique_ptr<MainWindow> startMainWindow(ui::SystemServices& services, StartOptions options)
{
    auto window = std::make_unique<MainWindow>(services);
    if (options.settings)
        new RememberedSettings(std::move(options.settings), window->session());  // owned by the session
    window->start(options.archive);
    return window;
}
