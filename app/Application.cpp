#include "app/Application.h"

#include "app/ProgramIcon.h"
#include "config/ProgramInfo.h"

namespace app {
Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    // No application display name: Qt would append it to every window's and box's caption.
    setWindowIcon(programIcon());
    // Docks tie the window and its progress to the installed desktop file.
    setDesktopFileName(QString::fromUtf8(hotaru::ProgramName));
    translations_.use(language::Language::Japanese);
}

}  // namespace app
