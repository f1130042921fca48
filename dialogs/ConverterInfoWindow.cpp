#include "dialogs/ConverterInfoWindow.h"

#include "dialogs/FaceEdit.h"
#include "gui/Handlers.h"
#include "gui/WindowLayout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The layout, in client pixels.
constexpr gui::Place Form4{"Form4", 189, 459, 346, 164};
constexpr gui::Place Label1{"Label1", 68, 8, 205, 16};
constexpr gui::Place Label2{"Label2", 52, 36, 233, 15};
constexpr gui::Place Label3{"Label3", 12, 64, 97, 15};
constexpr gui::Place Edit1{"Edit1", 12, 88, 325, 17};
constexpr gui::Place Button1{"Button1", 148, 128, 75, 25};

}  // namespace

ConverterInfoWindow::ConverterInfoWindow(gui::SystemServices& services, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QString::fromLatin1(Form4.name));
    setWindowTitle(QStringLiteral("Form4"));
    setFont(gui::uiFont(12));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(Form4.width, Form4.height);
    move(Form4.left, Form4.top);

    gui::label(this, Label1, QStringLiteral("ACPK2AVI(Another CPK2AVI)"), 16);
    gui::label(this, Label2, QStringLiteral("cpk2avi: 本ツール開発チーム作"), 15);
    gui::label(this, Label3, QStringLiteral("最新版はこちら"), 15);
    QLineEdit* whereFrom = dialogs::faceEdit(this, Edit1, QStringLiteral("cpk2avi は本ツールに同梱されています"));
    whereFrom->setFont(gui::uiFont(15));
    QPushButton* okButton = gui::button(this, Button1, QStringLiteral("OK"));
    setTabOrder(whereFrom, okButton);

    gui::connectHandler(services, okButton, &QPushButton::clicked, this, &ConverterInfoWindow::onOkClicked);
}

void ConverterInfoWindow::onOkClicked() { close(); }

void ConverterInfoWindow::keyPressEvent(QKeyEvent* e)
{
    if (!gui::dialogKey(e))
        QWidget::keyPressEvent(e);
}
