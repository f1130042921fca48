#include "app/Application.h"

#include "app/ProgramIcon.h"
#include "config/ProgramInfo.h"

#include <QLibraryInfo>

namespace app {
Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    // No application display name: Qt would append it to every window's and box's caption.
    setWindowIcon(programIcon());
    // Docks tie the window and its progress to the installed desktop file.
    setDesktopFileName(QString::fromUtf8(hotaru::ProgramName));
    // The tool speaks Japanese, so the system's own dialogs should too.
    if (qtTexts_.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTexts_);
}

}  // namespace app
