#include "AboutACPK2AVI.h"

#include "DialogSupport.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm4* Form4 = nullptr;

using dialogs::button;
using dialogs::label;
using dialogs::place;

TForm4::TForm4(QWidget* parent) : QWidget(parent, Qt::Window)
{
    Form4 = this;
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Form4"));
    setFont(dialogs::uiFont(12));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(346, 164);
    move(189, 459);

    Label1 = label(this, "Label1", QStringLiteral("ACPK2AVI(Another CPK2AVI)"), 68, 8, 205, 16, 16, false);
    Label2 = label(this, "Label2", QStringLiteral("cpk2avi: 本ツール開発チーム作"), 52, 36, 233, 15, 15, false);
    Label3 = label(this, "Label3", QStringLiteral("最新版はこちら"), 12, 64, 97, 15, 15, false);
    Edit1 = place<QLineEdit>(this, "Edit1", 12, 88, 325, 17);
    Edit1->setText(QStringLiteral("cpk2avi は本ツールに同梱されています"));
    Edit1->setReadOnly(true);
    Edit1->setFrame(false);
    Edit1->setFont(dialogs::uiFont(15));
    QPalette face = Edit1->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    Edit1->setPalette(face);
    Button1 = button(this, "Button1", QStringLiteral("OK"), 148, 128, 75, 25);
    setTabOrder(Edit1, Button1);

    connect(Button1, &QPushButton::clicked, this, [this] { dialogs::runHandler([this] { Button1Click(); }); });
}

TForm4::~TForm4()
{
    if (Form4 == this)
        Form4 = nullptr;
}

void TForm4::Button1Click() { close(); }

void TForm4::keyPressEvent(QKeyEvent* e)
{
    if (!dialogs::dialogKey(e))
        QWidget::keyPressEvent(e);
}
