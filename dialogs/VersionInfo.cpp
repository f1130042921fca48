#include "VersionInfo.h"

#include "DialogSupport.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusTipEvent>

TOKRightDlg* OKRightDlg = nullptr;

// The pictures sit in a static library; naming them here keeps the linker from dropping them.
static void loadPictures() { Q_INIT_RESOURCE(dialogs); }

using dialogs::button;
using dialogs::label;
using dialogs::place;

namespace {

// Read-only, borderless, on the face colour: text that can be selected and copied.
QLineEdit* faceEdit(QWidget* parent, const char* name, const QString& text, const QString& hint, int left, int top,
                    int width, int height)
{
    auto* e = place<QLineEdit>(parent, name, left, top, width, height);
    e->setText(text);
    e->setReadOnly(true);
    e->setFrame(false);
    QPalette face = e->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    e->setPalette(face);
    e->setToolTip(hint);
    e->setStatusTip(hint);
    e->setCursorPosition(0);
    return e;
}

TImage* picture(QWidget* parent, const char* name, const QString& resource, int left, int top, int width, int height)
{
    auto* image = place<TImage>(parent, name, left, top, width, height);
    image->setPixmap(QPixmap(resource));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

}  // namespace

void TImage::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    Q_EMIT DblClick();
}

TOKRightDlg::TOKRightDlg(QWidget* parent) : QDialog(parent)
{
    OKRightDlg = this;
    loadPictures();
    setObjectName(QStringLiteral("OKRightDlg"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFont(dialogs::uiFont(12));
    QPalette ink = palette();
    ink.setColor(QPalette::WindowText, Qt::black);
    setPalette(ink);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(420, 233);

    Bevel1 = place<QFrame>(this, "Bevel1", 16, 8, 305, 201);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Image1 = picture(this, "Image1", QStringLiteral(":/dialogs/emblem.png"), 24, 24, 49, 49);
    Label1 = label(this, "Label1", QStringLiteral("ホタル奇譚ムービーカッター"), 80, 24, 0, 0, 16, true);
    Label8 = label(this, "Label8", dialogs::accelText(QStringLiteral("For WindowsNT && Windows95")), 112, 56, 0, 0,
                   13, true);
    Label2 = label(this, "Label2", QStringLiteral("Version 2.20 Final"), 184, 80, 0, 0, 13, true);
    Label3 = label(this, "Label3", QStringLiteral("Programmed by 開発チーム"), 128, 104, 0, 0, 13, true);
    Label5 = label(this, "Label5", QStringLiteral("連絡先"), 24, 128, 0, 0, 12, true);
    Edit1 = faceEdit(this, "Edit1", QStringLiteral("プロジェクトの issue トラッカーへ"),
                     QStringLiteral("感想や要望などがありましたらこのアドレスまで。"), 96, 128, 209, 17);
    Label7 = label(this, "Label7", QStringLiteral("ホームページ"), 24, 160, 0, 0, 13, true);
    Edit2 = faceEdit(this, "Edit2", QStringLiteral("README.md に記載のプロジェクトのページ"),
                     QStringLiteral("最新版はここに登録されています。"), 24, 176, 289, 21);
    // Later in the control order, so it covers the text when shown.
    Image2 = picture(this, "Image2", QStringLiteral(":/dialogs/picture.png"), 8, 0, 321, 225);
    Image2->hide();
    Image2->raise();
    OKBtn = button(this, "OKBtn", QStringLiteral("OK"), 339, 12, 75, 25);
    OKBtn->setDefault(true);
    setTabOrder(OKBtn, Edit1);
    setTabOrder(Edit1, Edit2);

    connect(OKBtn, &QPushButton::clicked, this, [this] { dialogs::runHandler([this] { OKBtnClick(); }); });
    connect(Image1, &TImage::DblClick, this, [this] { dialogs::runHandler([this] { Image1DblClick(); }); });
    connect(Image2, &TImage::DblClick, this, [this] { dialogs::runHandler([this] { Image2DblClick(); }); });
}

TOKRightDlg::~TOKRightDlg()
{
    if (OKRightDlg == this)
        OKRightDlg = nullptr;
}

void TOKRightDlg::OKBtnClick() { accept(); }

void TOKRightDlg::Image1DblClick()
{
    Edit1->setVisible(false);
    Edit2->setVisible(false);
    Image2->setVisible(true);
}

void TOKRightDlg::Image2DblClick()
{
    Edit1->setVisible(true);
    Edit2->setVisible(true);
    Image2->setVisible(false);
}

bool TOKRightDlg::event(QEvent* e)
{
    // The edits' hints go to the application's hint, as the main window's do.
    if (e->type() == QEvent::StatusTip) {
        if (dialogs::hooks().setHint)
            dialogs::hooks().setHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QDialog::event(e);
}

void TOKRightDlg::keyPressEvent(QKeyEvent* e)
{
    if (!dialogs::dialogKey(e, OKBtn))
        QDialog::keyPressEvent(e);
}

void TOKRightDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (e->spontaneous())
        return;
    dialogs::centreOnScreen(this);
}
