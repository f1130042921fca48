#include "Startup.h"

#include "MainWindow.h"

std::unique_ptr<MainWindow> startMainWindow(ui::SystemServices& services)
{
    auto window = std::make_unique<MainWindow>(services);
    window->start();
    return window;
}
