#include "Form1.h"

#include "Application.h"
#include "DialogSupport.h"
#include "Globals.h"
#include "RadioMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>

TForm1* Form1 = nullptr;

namespace {

using dialogs::button;
using dialogs::label;
using dialogs::place;
using dialogs::uiFont;

QAction* item(QMenu* menu, const char* name, const QString& caption, const QString& hint)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setStatusTip(hint);
    return a;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    Form1 = this;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(applicationTitle());
    setWindowIcon(applicationIcon());
    setFont(uiFont(12));
    // Fixed single border: minimise and close only.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    buildControls();
    buildMenu();
    wireHandlers();
    guarded([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(426, 297);
    setCentralWidget(client);

    Panel1 = place<QFrame>(client, "Panel1", -4, 0, 433, 3);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label3 = label(client, "Label3", QStringLiteral("ムービーファイル"), 48, 8, 95, 12, 12, true);
    Label4 = label(client, "Label4", QStringLiteral("選択したファイル"), 272, 8, 113, 15, 15, true);
    // The headings sit right above the lists: wider where the face needs it,
    // never taller, or the lists would cover their lower half.
    Label3->resize(Label3->width(), 12);
    Label4->resize(Label4->width(), 15);
    ListBox1 = place<ChoiceList>(client, "ListBox1", 16, 24, 161, 193);
    ListBox2 = place<ChoiceList>(client, "ListBox2", 248, 24, 161, 193);
    for (QListWidget* list : {ListBox1, ListBox2}) {
        list->setUniformItemSizes(true);
        list->setStyleSheet(QStringLiteral("QListWidget::item { height: 12px; padding: 0px; }"));
    }
    Button2 = button(client, "Button2", QStringLiteral("->"), 192, 40, 41, 41);
    Button3 = button(client, "Button3", QStringLiteral("<-"), 192, 96, 41, 41);
    Button5 = button(client, "Button5", QStringLiteral("全選択"), 192, 152, 41, 25);
    Button6 = button(client, "Button6", QStringLiteral("全削除"), 192, 192, 41, 25);
    // Holds a file name of any length: fixed, not sized to its text.
    Label2 = place<QLabel>(client, "Label2", 8, 240, 169, 17);
    Label2->setFont(uiFont(13));
    Label2->setTextFormat(Qt::PlainText);
    Button4 = button(client, "Button4", QStringLiteral("実行"), 240, 232, 81, 25);
    Button1 = button(client, "Button1", QStringLiteral("終了"), 336, 232, 75, 25);
    ProgressBar1 = place<QProgressBar>(client, "ProgressBar1", 8, 264, 409, 9);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
    StatusBar1 = place<QStatusBar>(client, "StatusBar1", 0, 278, 426, 19);
    StatusBar1->setSizeGripEnabled(false);

    Button3->setEnabled(false);
    Button4->setEnabled(false);
    // The pointer stays an arrow over these while a run shows the hourglass elsewhere.
    Button1->setCursor(Qt::ArrowCursor);

    setTabOrder(ListBox1, ListBox2);
    setTabOrder(ListBox2, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Button5);
    setTabOrder(Button5, Button6);
    setTabOrder(Button6, Button1);

    OpenDialog1 = std::make_unique<TOpenDialog>(this);
    OpenDialog1->settings.filterName = QStringLiteral("ホタル奇譚ムービーファイル(hotaru4)");
    OpenDialog1->settings.fileNames = {QStringLiteral("hotaru4")};
    OpenDialog1->settings.initialName = QStringLiteral("hotaru4");
}

void TForm1::buildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setCursor(Qt::ArrowCursor);

    File1 = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    File1->setObjectName(QStringLiteral("File1"));
    Open1 = item(File1, "Open1", QStringLiteral("開く(&O)"), QStringLiteral("ﾑｰﾋﾞｰﾌｧｲﾙを開きます。"));
    KS1 = item(File1, "KS1", QStringLiteral("保存先の指定(&S)"), QStringLiteral("ﾌｧｲﾙの保存先を指定します。"));
    N1 = File1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Exit1 = item(File1, "Exit1", QStringLiteral("終了(&X)"), QStringLiteral("プログラムを終了します。"));

    opt = bar->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    opt->setObjectName(QStringLiteral("opt"));
    ACPK2AVI = item(opt, "ACPK2AVI", QStringLiteral("AVIを出力(&A)"), QStringLiteral("ACPK2AVIと連携してAVIを出力します"));
    ACPK2AVI->setCheckable(true);
    K1 = new RadioMenu(QStringLiteral("ﾒｯｾｰｼﾞ(&M)"), opt);
    opt->addMenu(K1);
    K1->setObjectName(QStringLiteral("K1"));
    K2 = item(K1, "K2", QStringLiteral("通常"), QStringLiteral("ﾒｯｾｰｼﾞを通常表示にします。"));
    K3 = item(K1, "K3", QStringLiteral("鷲ノ宮あかね"), QStringLiteral("ﾒｯｾｰｼﾞをあかね風に変えます。"));
    K4 = item(K1, "K4", QStringLiteral("白鳥しおり"), QStringLiteral("ﾒｯｾｰｼﾞをしおり風に変えます。"));
    // Radio items whose marks the handlers clear themselves.
    for (QAction* a : {K2, K3, K4})
        a->setCheckable(true);
    K2->setChecked(true);

    Help1 = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    Help1->setObjectName(QStringLiteral("Help1"));
    About1 = item(Help1, "About1", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."),
                  QStringLiteral("このソフトのﾊﾞｰｼﾞｮﾝ情報を表示します。"));

    // Menu titles have no hint of their own; closing a menu empties the hint.
    for (QMenu* m : {File1, opt, K1, Help1}) {
        m->menuAction()->setObjectName(m->objectName() + QStringLiteral("Action"));
        connect(m, &QMenu::hovered, this, [](QAction* a) { Application->SetHint(a->statusTip()); });
        if (m != K1)
            connect(m, &QMenu::aboutToHide, this, [] { Application->SetHint(QString()); });
    }
    connect(bar, &QMenuBar::hovered, this, [](QAction* a) { Application->SetHint(a->statusTip()); });
}

void TForm1::wireHandlers()
{
    if (Application)
        connect(Application, &TApplication::OnHint, this, &TForm1::ShowHint);
    connectHandler(Open1, &QAction::triggered, this, &TForm1::Open1Click);
    connectHandler(KS1, &QAction::triggered, this, &TForm1::KS1Click);
    connectHandler(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    // Qt flips a checkable item before its handler runs; only the handler may change this mark.
    connect(ACPK2AVI, &QAction::triggered, this, [this](bool flipped) {
        ACPK2AVI->setChecked(!flipped);
        guarded([this] { ACPK2AVIClick(); });
    });
    connectHandler(K2, &QAction::triggered, this, &TForm1::K2Click);
    connectHandler(K3, &QAction::triggered, this, &TForm1::K3Click);
    connectHandler(K4, &QAction::triggered, this, &TForm1::K4Click);
    connectHandler(About1, &QAction::triggered, this, &TForm1::About1Click);
    connectHandler(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connectHandler(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connectHandler(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connectHandler(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connectHandler(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connectHandler(Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
    // A click selects first; a double-click then adds or removes. Only the
    // user's choices reach the handlers, never the program's own changes.
    connectHandler(ListBox1, &ChoiceList::rowChosen, this, &TForm1::ListBox1Click);
    connectHandler(ListBox2, &ChoiceList::rowChosen, this, &TForm1::ListBox2Click);
    connectHandler(ListBox1, &ChoiceList::rowDoubleClicked, this, &TForm1::Button2Click);
    connectHandler(ListBox2, &ChoiceList::rowDoubleClicked, this, &TForm1::Button3Click);
}

QString TForm1::StatusText() const { return StatusBar1->currentMessage(); }

void TForm1::SetStatusText(const QString& text)
{
    if (text.isEmpty())
        StatusBar1->clearMessage();
    else
        StatusBar1->showMessage(text);
}

void TForm1::ShowHint(const QString& hint) { SetStatusText(hint); }

bool TForm1::event(QEvent* e)
{
    // Menus send their status tips here; the application's hint decides what shows.
    if (e->type() == QEvent::StatusTip) {
        if (Application)
            Application->SetHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

void TForm1::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!centred_) {
        centred_ = true;
        setFixedSize(size());
        dialogs::centreOnScreen(this);
    }
}

void TForm1::Exit1Click() { close(); }

void TForm1::Button1Click() { close(); }
