#include "ACPK2AVI.h"

#include "AboutACPK2AVI.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm3* Form3 = nullptr;

using dialogs::button;
using dialogs::place;

QStringList converterFileNames()
{
#ifdef _WIN32
    return {QStringLiteral("ACPK2AVI.exe")};
#else
    // Programs here have no ".exe"; cpk2avi is the converter that comes with this tool.
    return {QStringLiteral("ACPK2AVI.exe"), QStringLiteral("ACPK2AVI"), QStringLiteral("cpk2avi")};
#endif
}

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    Form3 = this;
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("ACPK2AVIとの連携"));
    setFont(dialogs::uiFont(12));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(284, 106);

    Label1 = dialogs::label(this, "Label1", QStringLiteral("ACPK2AVIの指定"), 12, 16, 91, 12, 12, false);
    Edit1 = place<QLineEdit>(this, "Edit1", 8, 36, 205, 20);
    Edit1->setReadOnly(true);
    Button1 = button(this, "Button1", QStringLiteral("参照"), 212, 36, 57, 21);
    Button2 = button(this, "Button2", QStringLiteral("OK"), 8, 72, 75, 25);
    Button3 = button(this, "Button3", QStringLiteral("ｷｬﾝｾﾙ"), 104, 72, 75, 25);
    Button4 = button(this, "Button4", QStringLiteral("ﾍﾙﾌﾟ"), 200, 72, 75, 25);
    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);

    OpenDialog1.filterName = QStringLiteral("ACPK2AVI");
    OpenDialog1.fileNames = converterFileNames();

    connect(Button1, &QPushButton::clicked, this, [this] { dialogs::runHandler([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { dialogs::runHandler([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { dialogs::runHandler([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { dialogs::runHandler([this] { Button4Click(); }); });
}

TForm3::~TForm3()
{
    if (Form3 == this)
        Form3 = nullptr;
}

void TForm3::Button1Click()
{
    const auto& ask = dialogs::hooks().openFile;
    if (!ask)
        return;
    const std::optional<QString> chosen = ask(this, OpenDialog1);
    if (!chosen)
        return;
    const QFileInfo file(*chosen);
    const QString path = QDir::toNativeSeparators(file.absoluteFilePath());
    OpenDialog1.initialName = file.fileName();
    OpenDialog1.initialFolder = QDir::toNativeSeparators(file.absolutePath());
    Edit1->setText(path);
    Q_EMIT ConverterChosen(path);
}

void TForm3::Button2Click()
{
    if (Edit1->text().isEmpty()) {
        if (dialogs::hooks().message)
            dialogs::hooks().message(this, QStringLiteral("ACPK2AVI.exeを指定してください。"));
        return;
    }
    Q_EMIT AviOutputOn();
    close();
}

void TForm3::Button3Click() { close(); }

void TForm3::Button4Click() { dialogs::showModeless(Form4); }

void TForm3::keyPressEvent(QKeyEvent* e)
{
    if (!dialogs::dialogKey(e))
        QDialog::keyPressEvent(e);
}

void TForm3::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (e->spontaneous())
        return;
    dialogs::centreOnScreen(this);
}
