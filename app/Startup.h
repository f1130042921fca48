#pragma once

#include "language/Language.h"

#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

namespace language {
class Translations;
}
namespace gui {
class SystemServices;
}

namespace app {
class MainWindow;

struct StartOptions {
    // Opened as File > Open would, instead of the drive scan, when set.
    QString archive;
    // Where the user's choices are remembered; none: nothing is.
    std::unique_ptr<QSettings> settings;
    // The converter that comes with the program: offered in the converter
    // link dialog while no converter is set, and what MP4 output uses.
    QString offeredConverter;
    // Installs the window's language: the remembered choice, or `language`
    // for this start alone (--lang), then each choice from the menu. None:
    // the window keeps the Japanese it is written in.
    language::Translations* translations = nullptr;
    std::optional<language::Language> language = std::nullopt;
};

// The converter that comes with the program, installed beside it; empty when it is not there.
QString bundledConverter();

// The start-up sequence: the main window and its dialogs are made, the
// remembered settings put back, and the archive looked for (with its
// prompts) before anything is shown. The program, the screenshot tool and
// the window tests all start this way.
std::unique_ptr<MainWindow> startMainWindow(gui::SystemServices& services, StartOptions options = {});

}  // namespace app
