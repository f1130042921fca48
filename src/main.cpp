// ホタル奇譚ムービーカッター: the start-up sequence.
#include "Application.h"
#include "Form1.h"
#include "Globals.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    app.Title = applicationTitle();
    app.setApplicationDisplayName(app.Title);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/hotaru.png")));

    TForm1 form;  // runs FormCreate, discovery prompts included, before any window shows

    form.show();
    return app.exec();
}
