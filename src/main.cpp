// ホタル奇譚ムービーカッター: the start-up sequence.
#include "ACPK2AVI.h"
#include "AboutACPK2AVI.h"
#include "Application.h"
#include "DirBox.h"
#include "Form1.h"
#include "Globals.h"
#include "VersionInfo.h"

#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    app.Title = applicationTitle();
    // No application display name: Qt would append it to every window's and box's caption.
    app.setWindowIcon(applicationIcon());
    // The tool speaks Japanese, so the system's own dialogs should too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);

    TForm1 form;  // runs FormCreate, discovery prompts included, before any window shows

    // The dialogs, hidden until their menu commands; they live as long as the program.
    TOKRightDlg okRightDlg;
    TForm2 form2;
    TForm3 form3;
    TForm4 form4;
    form.AttachDialogs();

    form.show();
    return app.exec();
}
