#pragma once

#include <memory>

class MainWindow;

namespace ui {
class SystemServices;
}

// The start-up sequence: the main window and its dialogs are made, and the
// archive is looked for (with its prompts) before anything is shown. The
// program, the screenshot tool and the window tests all start this way.
std::unique_ptr<MainWindow> startMainWindow(ui::SystemServices& services);
