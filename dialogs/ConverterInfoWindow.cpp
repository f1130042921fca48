#include "dialogs/ConverterInfoWindow.h"

#include "dialogs/FaceEdit.h"
#include "gui/Handlers.h"
#include "gui/WindowLayout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace dialogs {
namespace {

// The layout, in client pixels.
constexpr gui::Place windowPlace{"Form4", 189, 459, 346, 164};
constexpr gui::Place namePlace{"Label1", 68, 8, 205, 16};
constexpr gui::Place creditPlace{"Label2", 52, 36, 233, 15};
constexpr gui::Place latestHeadingPlace{"Label3", 12, 64, 97, 15};
constexpr gui::Place homePagePlace{"Edit1", 12, 88, 325, 17};
constexpr gui::Place okButtonPlace{"Button1", 148, 128, 75, 25};

}  // namespace

ConverterInfoWindow::ConverterInfoWindow(gui::SystemServices& services, QWidget* parent)
    : FixedWindow({windowPlace.name, QStringLiteral("Form4"), Qt::Window}, parent)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(windowPlace.width, windowPlace.height);
    move(windowPlace.left, windowPlace.top);

    gui::label(this, namePlace, QStringLiteral("ACPK2AVI(Another CPK2AVI)"), 16);
    QLabel* credit = gui::label(this, creditPlace, QString(), 15);
    QLabel* latestHeading = gui::label(this, latestHeadingPlace, QString(), 15);
    QLineEdit* whereFrom = dialogs::faceEdit(this, homePagePlace, QString());
    whereFrom->setFont(gui::uiFont(15));
    word([=] {
        gui::setLabelText(credit, creditPlace, tr("cpk2avi: 本ツール開発チーム作"));
        gui::setLabelText(latestHeading, latestHeadingPlace, tr("最新版はこちら"));
        whereFrom->setAccessibleName(latestHeading->text());
        whereFrom->setText(tr("cpk2avi は本ツールに同梱されています"));
        whereFrom->setCursorPosition(0);
    });
    QPushButton* okButton = gui::button(this, okButtonPlace, QStringLiteral("OK"));
    setTabOrder(whereFrom, okButton);

    gui::connectHandler(services, okButton, &QPushButton::clicked, this, &ConverterInfoWindow::onOkClicked);
}

void ConverterInfoWindow::onOkClicked() { close(); }

}  // namespace dialogs
