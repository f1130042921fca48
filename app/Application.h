#pragma once

#include <QApplication>
#include <QTranslator>

namespace app {
// The application object as the program and its window tests run it: the
// program's icon, and the system's own dialogs speaking Japanese.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

private:
    QTranslator qtTexts_;
};

}  // namespace app
