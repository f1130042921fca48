#pragma once

#include "language/Translations.h"

#include <QApplication>

namespace app {
// The application object as the program and its window tests run it: the
// program's icon, and its texts and Qt's own in Japanese, the language the
// window is written in, until the start chooses (StartOptions::translations).
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    language::Translations& translations() { return translations_; }

private:
    language::Translations translations_;
};

}  // namespace app
