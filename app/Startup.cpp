#include "app/Startup.h"

#include "app/MainWindow.h"
#include "app/RememberedSettings.h"
#include "extract/Converter.h"
#include "language/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace app {
std::unique_ptr<MainWindow> startMainWindow(gui::SystemServices& services, StartOptions options)
{
    auto window = std::make_unique<MainWindow>(services);
    // Known before the settings come back: MP4 output needs it.
    window->session().setBundledConverter(options.offeredConverter);
    if (options.settings)
        new RememberedSettings(std::move(options.settings), window->session());  // owned by the session
    if (language::Translations* translations = options.translations) {
        Session* session = &window->session();
        const auto speak = [translations, session](language::Language language) {
            session->setLanguage(language);
            translations->use(language);
            // Worded now, before the start's boxes and the first show.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        };
        speak(options.language.value_or(language::chosenLanguage(session->languageChoice())));
        QObject::connect(session, &Session::languageChoiceChanged, session,
                         [speak](language::LanguageChoice choice) { speak(language::chosenLanguage(choice)); });
    }
    window->start(options.archive, options.offeredConverter);
    return window;
}

QString bundledConverter()
{
    const std::string dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
    return QString::fromStdString(hotaru::bundledConverter(dir));
}

}  // namespace app
