#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace language {

// The languages the program speaks.
enum class Language { Japanese, English };

// What the user chose; the numbers are the remembered ones.
enum class LanguageChoice : int { System = 0, Japanese = 1, English = 2 };
inline constexpr int LanguageChoiceCount = 3;

// The system's: Japanese when Japanese comes before English among the
// user's UI languages, most wanted first (QLocale::uiLanguages()); English
// otherwise, for any other language too.
Language systemLanguage(const QStringList& uiLanguages);
Language systemLanguage();
Language chosenLanguage(LanguageChoice choice);

// "ja" or "en", as --lang takes them.
std::optional<Language> languageNamed(const QString& code);
QString languageCode(Language language);

// A movie's title in `language`: the catalogue's own in Japanese, its
// translation in English.
QString movieTitle(Language language, std::int32_t disc, std::int32_t movie);

// The language of the texts installed in the application now (Translations).
Language installedLanguage();

}  // namespace language
