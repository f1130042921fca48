#include "language/Language.h"

#include "catalogue/Catalogue.h"

#include <QCoreApplication>
#include <QLocale>

namespace language {

Language systemLanguage(const QStringList& uiLanguages)
{
    for (const QString& tag : uiLanguages) {
        const QString primary = tag.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
        if (primary == QLatin1String("ja"))
            return Language::Japanese;
        if (primary == QLatin1String("en"))
            return Language::English;
    }
    return Language::English;
}

Language systemLanguage() { return systemLanguage(QLocale::system().uiLanguages()); }

Language chosenLanguage(LanguageChoice choice)
{
    switch (choice) {
    case LanguageChoice::Japanese:
        return Language::Japanese;
    case LanguageChoice::English:
        return Language::English;
    case LanguageChoice::System:
        break;
    }
    return systemLanguage();
}

std::optional<Language> languageNamed(const QString& code)
{
    if (code == QLatin1String("ja"))
        return Language::Japanese;
    if (code == QLatin1String("en"))
        return Language::English;
    return std::nullopt;
}

QString languageCode(Language language)
{
    return language == Language::Japanese ? QStringLiteral("ja") : QStringLiteral("en");
}

QString movieTitle(Language language, std::int32_t disc, std::int32_t movie)
{
    const std::string_view title =
        language == Language::English ? hotaru::movieEnglishTitle(disc, movie) : hotaru::movieTitle(disc, movie);
    return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

Language installedLanguage()
{
    // Each translation says its own language here; none installed is the built-in texts'.
    const QString code = QCoreApplication::translate("Language", "built-in", "the code of this translation's language");
    return code == QLatin1String("ja") ? Language::Japanese : Language::English;
}

}  // namespace language
