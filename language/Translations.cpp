#include "language/Translations.h"

#include "config/ProgramInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

#include <cstdio>

namespace language {

Translations::Translations(QString programFolder, QString qtFolder)
    : programFolder_(std::move(programFolder)), qtFolder_(std::move(qtFolder))
{
}

Translations::~Translations()
{
    QCoreApplication::removeTranslator(&program_);
    QCoreApplication::removeTranslator(&qt_);
}

bool Translations::load(QTranslator& translator, const QString& name, const QStringList& folders)
{
    for (const QString& folder : folders) {
        if (translator.load(name, folder))
            return true;
    }
    if (!told_) {
        told_ = true;
        std::fprintf(stderr, "%s\n",
                     qPrintable(QStringLiteral("%1: %2.qm could not be loaded; built-in texts are used")
                                    .arg(QString::fromUtf8(hotaru::ProgramName), name)));
    }
    return false;
}

void Translations::use(Language language)
{
    QCoreApplication::removeTranslator(&program_);
    QCoreApplication::removeTranslator(&qt_);
    const QString code = languageCode(language);
    if (load(program_, QStringLiteral("hotaru_") + code, {programFolder_}))
        QCoreApplication::installTranslator(&program_);
    // Windows ships Qt's files beside the program; Linux keeps them in Qt's folder.
    const QStringList qtFolders =
        qtFolder_.isEmpty() ? QStringList{QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)}
                            : QStringList{qtFolder_};
    if (load(qt_, QStringLiteral("qtbase_") + code, qtFolders))
        QCoreApplication::installTranslator(&qt_);
}

}  // namespace language
