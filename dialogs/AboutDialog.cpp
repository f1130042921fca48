#include "dialogs/AboutDialog.h"

#include "config/ProgramInfo.h"

#include "dialogs/DoubleClickPicture.h"
#include "dialogs/FaceEdit.h"
#include "gui/Handlers.h"
#include "gui/WindowLayout.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusTipEvent>

// The pictures sit in a static library; naming them here keeps the linker
// from dropping them. Outside any namespace, as Qt's resource initialiser must be.
static void loadPictures() { Q_INIT_RESOURCE(dialogs); }

namespace dialogs {

namespace {

// The layout, in client pixels; the dialog is centred when shown. A label's
// size is its text's.
constexpr QSize OKRightDlgSize{420, 233};
constexpr gui::Place framePlace{"Bevel1", 16, 8, 305, 201};
constexpr gui::Place emblemPlace{"Image1", 24, 24, 49, 49};
constexpr gui::Place titlePlace{"Label1", 80, 24, 0, 0};
constexpr gui::Place systemsPlace{"Label8", 112, 56, 0, 0};
constexpr gui::Place versionPlace{"Label2", 184, 80, 0, 0};
constexpr gui::Place creditPlace{"Label3", 128, 104, 0, 0};
constexpr gui::Place contactHeadingPlace{"Label5", 24, 128, 0, 0};
constexpr gui::Place contactPlace{"Edit1", 96, 128, 209, 17};
constexpr gui::Place homePageHeadingPlace{"Label7", 24, 160, 0, 0};
constexpr gui::Place homePagePlace{"Edit2", 24, 176, 289, 21};
constexpr gui::Place picturePlace{"Image2", 8, 0, 321, 225};
constexpr gui::Place okButtonPlace{"OKBtn", 339, 12, 75, 25};

QLineEdit* contactLine(QWidget* parent, const gui::Place& at) { return dialogs::faceEdit(parent, at, QString()); }

// A contact line's text; its hint shows as tooltip and as the program's hint.
void wordContactLine(QLineEdit* e, const QString& text, const QString& hint)
{
    e->setText(text);
    e->setToolTip(hint);
    e->setStatusTip(hint);
    e->setCursorPosition(0);
}

DoubleClickPicture* picture(QWidget* parent, const gui::Place& at, const QString& resource)
{
    auto* image = gui::place<DoubleClickPicture>(parent, at);
    image->setPixmap(QPixmap(resource));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

}  // namespace

AboutDialog::AboutDialog(gui::SystemServices& services, QWidget* parent)
    : FixedWindow({"OKRightDlg", QString(),
                   Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                       Qt::MSWindowsFixedSizeDialogHint,
                   gui::Placement::Centred},
                  parent)
{
    loadPictures();
    QPalette ink = palette();
    ink.setColor(QPalette::WindowText, Qt::black);
    setPalette(ink);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(OKRightDlgSize);

    gui::place<QFrame>(this, framePlace)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    DoubleClickPicture* emblem = picture(this, emblemPlace, QStringLiteral(":/dialogs/emblem.png"));
    gui::label(this, titlePlace, gui::programTitle(), 16, true);
    gui::label(this, systemsPlace, gui::accelText(QStringLiteral("For WindowsNT && Windows95")), 13, true);
    gui::label(this, versionPlace, QStringLiteral("Version %1 Final").arg(QLatin1String(hotaru::ProgramVersion)), 13,
               true);
    QLabel* credit = gui::label(this, creditPlace, QString(), 13, true);
    QLabel* contactHeading = gui::label(this, contactHeadingPlace, QString(), 12, true);
    contactEdit_ = contactLine(this, contactPlace);
    QLabel* homePageHeading = gui::label(this, homePageHeadingPlace, QString(), 13, true);
    homePageEdit_ = contactLine(this, homePagePlace);
    word([=, this] {
        setWindowTitle(tr("バージョン情報"));
        gui::setLabelText(credit, creditPlace, tr("Programmed by 開発チーム"));
        gui::setLabelText(contactHeading, contactHeadingPlace, tr("連絡先"));
        gui::setLabelText(homePageHeading, homePageHeadingPlace, tr("ホームページ"));
        contactEdit_->setAccessibleName(contactHeading->text());
        homePageEdit_->setAccessibleName(homePageHeading->text());
        // What ships with the program says where the project lives: the
        // readme beside it on Windows, the manual page elsewhere.
#ifdef _WIN32
        wordContactLine(contactEdit_, tr("readme.txt の「連絡先」へ"),
                        tr("感想や要望などがありましたらこのアドレスまで。"));
        wordContactLine(homePageEdit_, tr("同梱の readme.txt に記載"), tr("最新版はここに登録されています。"));
#else
        wordContactLine(contactEdit_, tr("man hotaru-movie-cutter を参照"),
                        tr("感想や要望などがありましたらこのアドレスまで。"));
        wordContactLine(homePageEdit_, tr("man hotaru-movie-cutter に記載"), tr("最新版はここに登録されています。"));
#endif
    });
    // Later in the control order, so it covers the text when shown.
    picture_ = picture(this, picturePlace, QStringLiteral(":/dialogs/picture.png"));
    picture_->hide();
    picture_->raise();
    okButton_ = gui::button(this, okButtonPlace, QStringLiteral("OK"));
    setDefaultButton(okButton_);
    okButton_->setDefault(true);
    setTabOrder(okButton_, contactEdit_);
    setTabOrder(contactEdit_, homePageEdit_);

    gui::connectHandler(services, okButton_, &QPushButton::clicked, this, &AboutDialog::onOkClicked);
    gui::connectHandler(services, emblem, &DoubleClickPicture::doubleClicked, this,
                        &AboutDialog::onEmblemDoubleClicked);
    gui::connectHandler(services, picture_, &DoubleClickPicture::doubleClicked, this,
                        &AboutDialog::onPictureDoubleClicked);
}

void AboutDialog::onOkClicked() { accept(); }

void AboutDialog::onEmblemDoubleClicked()
{
    contactEdit_->setVisible(false);
    homePageEdit_->setVisible(false);
    picture_->setVisible(true);
}

void AboutDialog::onPictureDoubleClicked()
{
    contactEdit_->setVisible(true);
    homePageEdit_->setVisible(true);
    picture_->setVisible(false);
}

bool AboutDialog::event(QEvent* e)
{
    // The edits' hints go to the program's hint, as the main window's do.
    if (e->type() == QEvent::StatusTip) {
        Q_EMIT hintChanged(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QDialog::event(e);
}

}  // namespace dialogs
