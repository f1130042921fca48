#pragma once

#include "language/Language.h"

#include <QString>
#include <QTranslator>

namespace language {

// The program's texts and Qt's own (standard buttons, file dialogs, context
// menus) installed in the application for one language at a time; a switch
// replaces them, and Qt tells every widget (QEvent::LanguageChange). The
// window's texts are written in Japanese and the command line's in English,
// so each language's file holds what the other side wrote.
//
// A file that does not load never stops the program: the texts built into it
// stand in, and standard error says so, once.
class Translations {
public:
    // `programFolder` holds hotaru_ja.qm and hotaru_en.qm (built into the
    // program); empty: Qt's own are looked for beside the program, then in
    // Qt's folder.
    explicit Translations(QString programFolder = QStringLiteral(":/i18n"), QString qtFolder = {});
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    void use(Language language);

private:
    bool load(QTranslator& translator, const QString& name, const QStringList& folders);

    const QString programFolder_;
    const QString qtFolder_;
    QTranslator program_;
    QTranslator qt_;
    bool told_ = false;
};

}  // namespace language
