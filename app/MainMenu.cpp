#include "app/MainMenu.h"

#include "app/RadioMenu.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

namespace app {
namespace {

QAction* item(QMenu* menu, const char* name, const QString& caption, const QString& hint)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setStatusTip(hint);
    return a;
}

}  // namespace

MainMenu::MainMenu(QMainWindow* window) : QObject(window)
{
    QMenuBar* bar = window->menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setCursor(Qt::ArrowCursor);

    QMenu* file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    file->setObjectName(QStringLiteral("File1"));
    open_ = item(file, "Open1", QStringLiteral("開く(&O)"), QStringLiteral("ﾑｰﾋﾞｰﾌｧｲﾙを開きます。"));
    outputFolder_ = item(file, "KS1", QStringLiteral("保存先の指定(&S)"), QStringLiteral("ﾌｧｲﾙの保存先を指定します。"));
    preview_ = item(file, "Preview1", QStringLiteral("ﾌﾟﾚﾋﾞｭｰ(&P)..."), QStringLiteral("選んだﾑｰﾋﾞｰを再生します。"));
    preview_->setEnabled(false);
    file->addSeparator()->setObjectName(QStringLiteral("N1"));
    stop_ = item(file, "Stop1", QStringLiteral("ﾌｧｲﾙ作成の中止(&C)"), QStringLiteral("ﾌｧｲﾙの作成を中止します。"));
    stop_->setEnabled(false);
    exit_ = item(file, "Exit1", QStringLiteral("終了(&X)"), QStringLiteral("プログラムを終了します。"));

    QMenu* options = bar->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    options->setObjectName(QStringLiteral("opt"));
    aviOutput_ =
        item(options, "ACPK2AVI", QStringLiteral("AVIを出力(&A)"), QStringLiteral("ACPK2AVIと連携してAVIを出力します"));
    aviOutput_->setCheckable(true);
    mp4Output_ = item(options, "MP4Output", QStringLiteral("MP4を出力(&P)"),
                      QStringLiteral("ﾌﾞﾗｳｻﾞやｽﾏﾎで再生できるMP4を出力します"));
    mp4Output_->setCheckable(true);
    auto* voiceMenu = new RadioMenu(QStringLiteral("ﾒｯｾｰｼﾞ(&M)"), options);
    voiceMenu->setObjectName(QStringLiteral("K1"));
    options->addMenu(voiceMenu);
    voices_ = {item(voiceMenu, "K2", QStringLiteral("通常"), QStringLiteral("ﾒｯｾｰｼﾞを通常表示にします。")),
               item(voiceMenu, "K3", QStringLiteral("鷲ノ宮あかね"), QStringLiteral("ﾒｯｾｰｼﾞをあかね風に変えます。")),
               item(voiceMenu, "K4", QStringLiteral("白鳥しおり"), QStringLiteral("ﾒｯｾｰｼﾞをしおり風に変えます。"))};
    // Radio items in no exclusive group: setVoiceMark clears the others.
    for (QAction* a : voices_)
        a->setCheckable(true);
    voices_[0]->setChecked(true);

    QMenu* help = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    help->setObjectName(QStringLiteral("Help1"));
    about_ = item(help, "About1", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."),
                  QStringLiteral("このソフトのﾊﾞｰｼﾞｮﾝ情報を表示します。"));

    // Menu titles have no hint of their own; closing a menu empties the hint.
    for (QMenu* m : {file, options, static_cast<QMenu*>(voiceMenu), help}) {
        m->menuAction()->setObjectName(m->objectName() + QStringLiteral("Action"));
        connect(m, &QMenu::hovered, this, [this](QAction* a) { Q_EMIT hintChanged(a->statusTip()); });
        if (m != voiceMenu)
            connect(m, &QMenu::aboutToHide, this, [this] { Q_EMIT hintChanged(QString()); });
    }
    connect(bar, &QMenuBar::hovered, this, [this](QAction* a) { Q_EMIT hintChanged(a->statusTip()); });

    // Qt flips a check item before anyone hears of it; only the program sets this mark.
    connect(aviOutput_, &QAction::triggered, this, [this](bool flipped) {
        aviOutput_->setChecked(!flipped);
        Q_EMIT aviOutputChosen();
    });
    connect(mp4Output_, &QAction::triggered, this, [this](bool flipped) {
        mp4Output_->setChecked(!flipped);
        Q_EMIT mp4OutputChosen();
    });
    for (std::size_t v = 0; v < voices_.size(); ++v)
        connect(voices_[v], &QAction::triggered, this, [this, v] { Q_EMIT voiceChosen(static_cast<Voice>(v)); });
}

void MainMenu::setAviOutputMark(bool on) { aviOutput_->setChecked(on); }

void MainMenu::setMp4OutputMark(bool on) { mp4Output_->setChecked(on); }

void MainMenu::setMp4OutputAvailable(bool available) { mp4Output_->setEnabled(available); }

void MainMenu::setVoiceMark(Voice voice)
{
    for (std::size_t v = 0; v < voices_.size(); ++v)
        voices_[v]->setChecked(static_cast<Voice>(v) == voice);
}

}  // namespace app
