#include "app/MainMenu.h"

#include "app/RadioMenu.h"

#include <QAction>
#include <QDir>
#include <QMainWindow>
#include <QMenuBar>

namespace app {
namespace {

QAction* item(QMenu* menu, const char* name)
{
    QAction* a = menu->addAction(QString());
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

// The item's name in the window's layout, which tests and tools find it by.
const char* outputItemName(hotaru::VideoFormat format)
{
    switch (format) {
    case hotaru::VideoFormat::Avi:
        return "ACPK2AVI";
    case hotaru::VideoFormat::Mp4:
        return "MP4Output";
    case hotaru::VideoFormat::Mkv:
        return "MKVOutput";
    }
    return "";
}

void word(QAction* a, const QString& caption, const QString& hint)
{
    a->setText(caption);
    a->setStatusTip(hint);
}

}  // namespace

MainMenu::MainMenu(QMainWindow* window) : QObject(window)
{
    QMenuBar* bar = window->menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setCursor(Qt::ArrowCursor);

    file_ = bar->addMenu(QString());
    file_->setObjectName(QStringLiteral("File1"));
    open_ = item(file_, "Open1");
    outputFolder_ = item(file_, "KS1");
    preview_ = item(file_, "Preview1");
    preview_->setEnabled(false);
    putBack_ = item(file_, "putBack");
    file_->addSeparator()->setObjectName(QStringLiteral("N1"));
    stop_ = item(file_, "Stop1");
    stop_->setEnabled(false);
    exit_ = item(file_, "Exit1");

    options_ = bar->addMenu(QString());
    options_->setObjectName(QStringLiteral("opt"));
    for (std::size_t f = 0; f < outputs_.size(); ++f) {
        outputs_[f] = item(options_, outputItemName(hotaru::OutputFormats[f].format));
        outputs_[f]->setCheckable(true);
    }
    scaleMenu_ = new RadioMenu(options_);
    scaleMenu_->setObjectName(QStringLiteral("scaleMenu"));
    options_->addMenu(scaleMenu_);
    for (std::size_t k = 0; k < scales_.size(); ++k) {
        scales_[k] = item(scaleMenu_, "scale");
        scales_[k]->setObjectName(QStringLiteral("scale%1").arg(k + 1));
        scales_[k]->setCheckable(true);
    }
    scales_[0]->setChecked(true);
    checksums_ = item(options_, "checksums");
    checksums_->setCheckable(true);
    naming_ = item(options_, "naming");
    subtitleFolder_ = item(options_, "subtitleFolder");
    subtitleFolder_->setCheckable(true);
    burnSubtitles_ = item(options_, "burnSubtitles");
    burnSubtitles_->setCheckable(true);
    voiceMenu_ = new RadioMenu(options_);
    voiceMenu_->setObjectName(QStringLiteral("K1"));
    options_->addMenu(voiceMenu_);
    voices_ = {item(voiceMenu_, "K2"), item(voiceMenu_, "K3"), item(voiceMenu_, "K4")};
    languageMenu_ = new RadioMenu(options_);
    languageMenu_->setObjectName(QStringLiteral("languageMenu"));
    options_->addMenu(languageMenu_);
    languages_ = {item(languageMenu_, "systemLanguage"), item(languageMenu_, "japanese"),
                  item(languageMenu_, "english")};
    // Radio items in no exclusive group: the setters clear the others.
    for (QAction* a : voices_)
        a->setCheckable(true);
    voices_[0]->setChecked(true);
    for (QAction* a : languages_)
        a->setCheckable(true);
    languages_[0]->setChecked(true);

    help_ = bar->addMenu(QString());
    help_->setObjectName(QStringLiteral("Help1"));
    about_ = item(help_, "About1");
    retranslate();

    // Menu titles have no hint of their own; closing a menu empties the hint.
    for (QMenu* m : {file_, options_, voiceMenu_, languageMenu_, scaleMenu_, help_}) {
        m->menuAction()->setObjectName(m->objectName() + QStringLiteral("Action"));
        connect(m, &QMenu::hovered, this, [this](QAction* a) { Q_EMIT hintChanged(a->statusTip()); });
        if (m != voiceMenu_ && m != languageMenu_ && m != scaleMenu_)
            connect(m, &QMenu::aboutToHide, this, [this] { Q_EMIT hintChanged(QString()); });
    }
    connect(bar, &QMenuBar::hovered, this, [this](QAction* a) { Q_EMIT hintChanged(a->statusTip()); });

    // Qt flips a check item before anyone hears of it; only the program sets this mark.
    for (std::size_t f = 0; f < outputs_.size(); ++f)
        connect(outputs_[f], &QAction::triggered, this, [this, f](bool flipped) {
            outputs_[f]->setChecked(!flipped);
            Q_EMIT outputChosen(hotaru::OutputFormats[f].format);
        });
    for (std::size_t k = 0; k < scales_.size(); ++k)
        connect(scales_[k], &QAction::triggered, this, [this, k] { Q_EMIT scaleChosen(static_cast<int>(k) + 1); });
    connect(subtitleFolder_, &QAction::triggered, this, [this](bool flipped) {
        subtitleFolder_->setChecked(!flipped);
        Q_EMIT subtitleFolderChosen();
    });
    connect(burnSubtitles_, &QAction::triggered, this, [this](bool flipped) {
        burnSubtitles_->setChecked(!flipped);
        Q_EMIT burnSubtitlesChosen();
    });
    connect(checksums_, &QAction::triggered, this, [this](bool flipped) {
        checksums_->setChecked(!flipped);
        Q_EMIT checksumsChosen();
    });
    for (std::size_t v = 0; v < voices_.size(); ++v)
        connect(voices_[v], &QAction::triggered, this, [this, v] { Q_EMIT voiceChosen(static_cast<Voice>(v)); });
    for (std::size_t l = 0; l < languages_.size(); ++l)
        connect(languages_[l], &QAction::triggered, this,
                [this, l] { Q_EMIT languageChosen(static_cast<language::LanguageChoice>(l)); });
}

void MainMenu::retranslate()
{
    file_->setTitle(tr("ﾌｧｲﾙ(&F)"));
    word(open_, tr("開く(&O)"), tr("ﾑｰﾋﾞｰﾌｧｲﾙを開きます。"));
    word(outputFolder_, tr("保存先の指定(&S)"), tr("ﾌｧｲﾙの保存先を指定します。"));
    word(preview_, tr("ﾌﾟﾚﾋﾞｭｰ(&P)..."), tr("選んだﾑｰﾋﾞｰを再生します。"));
    word(putBack_, tr("ﾑｰﾋﾞｰの書き戻し(&W)..."),
         tr("作り直したﾑｰﾋﾞｰや字幕を焼き込んだﾑｰﾋﾞｰを入れて、ﾃﾞｨｽｸｲﾒｰｼﾞのｺﾋﾟｰを作ります。"));
    word(stop_, tr("ﾌｧｲﾙ作成の中止(&C)"), tr("ﾌｧｲﾙの作成を中止します。"));
    word(exit_, tr("終了(&X)"), tr("プログラムを終了します。"));

    options_->setTitle(tr("ｵﾌﾟｼｮﾝ(&O)"));
    for (std::size_t f = 0; f < outputs_.size(); ++f) {
        switch (hotaru::OutputFormats[f].format) {
        case hotaru::VideoFormat::Avi:
            word(outputs_[f], tr("AVIを出力(&A)"), tr("ACPK2AVIと連携してAVIを出力します"));
            break;
        case hotaru::VideoFormat::Mp4:
            word(outputs_[f], tr("MP4を出力(&P)"), tr("ﾌﾞﾗｳｻﾞやｽﾏﾎで再生できるMP4を出力します"));
            break;
        case hotaru::VideoFormat::Mkv:
            word(outputs_[f], tr("MKVを出力(&K)"), tr("ﾃﾞｨｽｸの映像と音声をそのまま収めたMKVを出力します"));
            break;
        }
    }
    scaleMenu_->setTitle(tr("共有用に拡大(&Z)"));
    word(scales_[0], tr("等倍"), tr("MP4とMKVを元の大きさで出力します。"));
    for (std::size_t k = 1; k < scales_.size(); ++k)
        word(scales_[k], tr("%1倍").arg(k + 1),
             tr("MP4とMKVの映像を%1倍にします。ﾄﾞｯﾄはぼかさず四角のまま拡大します。").arg(k + 1));
    word(checksums_, tr("ﾁｪｯｸｻﾑを記録(&C)"), tr("作成したﾌｧｲﾙのSHA-256を保存先のSHA256SUMSに記録します"));
    word(naming_, tr("ﾌｧｲﾙ名の付け方(&N)..."), tr("作成するﾌｧｲﾙの名前の付け方を指定します。"));
    word(subtitleFolder_, tr("字幕ﾌｫﾙﾀﾞ(&T)..."),
         subtitleFolderShown_.isEmpty()
             ? tr("ﾑｰﾋﾞｰと同じ名前の字幕(.srt/.ass)を置いたﾌｫﾙﾀﾞを指定します。")
             : tr("字幕を %1 から読み込みます。もう一度選ぶと字幕を使いません。").arg(subtitleFolderShown_));
    word(burnSubtitles_, tr("字幕を焼き込む(&B)"), tr("字幕を別のﾄﾗｯｸにせず、映像に描き込みます。"));
    voiceMenu_->setTitle(tr("ﾒｯｾｰｼﾞ(&M)"));
    word(voices_[0], tr("通常"), tr("ﾒｯｾｰｼﾞを通常表示にします。"));
    word(voices_[1], tr("鷲ノ宮あかね"), tr("ﾒｯｾｰｼﾞをあかね風に変えます。"));
    word(voices_[2], tr("白鳥しおり"), tr("ﾒｯｾｰｼﾞをしおり風に変えます。"));
    languageMenu_->setTitle(tr("言語(&L)"));
    word(languages_[0], tr("システムの設定に従う"), tr("システムの言語で表示します。"));
    // Each language is named in itself, to be found by those who read it.
    word(languages_[1], QStringLiteral("日本語"), QStringLiteral("日本語で表示します。"));
    word(languages_[2], QStringLiteral("English"), QStringLiteral("Show the program in English."));

    help_->setTitle(tr("ﾍﾙﾌﾟ(&H)"));
    word(about_, tr("ﾊﾞｰｼﾞｮﾝ情報(&A)..."), tr("このソフトのﾊﾞｰｼﾞｮﾝ情報を表示します。"));
}

QAction* MainMenu::outputAction(hotaru::VideoFormat format) const
{
    for (std::size_t f = 0; f < outputs_.size(); ++f)
        if (hotaru::OutputFormats[f].format == format)
            return outputs_[f];
    return nullptr;
}

void MainMenu::setOutputMark(std::optional<hotaru::VideoFormat> format)
{
    for (std::size_t f = 0; f < outputs_.size(); ++f)
        outputs_[f]->setChecked(hotaru::OutputFormats[f].format == format);
}

void MainMenu::setBundledFormatsAvailable(bool available)
{
    for (std::size_t f = 0; f < outputs_.size(); ++f)
        if (hotaru::OutputFormats[f].bundledConverter)
            outputs_[f]->setEnabled(available);
    scaleMenu_->setEnabled(available);
}

void MainMenu::setChecksumsMark(bool on) { checksums_->setChecked(on); }

void MainMenu::setSubtitles(const QString& folder, bool burn)
{
    subtitleFolderShown_ = QDir::toNativeSeparators(folder);
    subtitleFolder_->setChecked(!folder.isEmpty());
    burnSubtitles_->setChecked(burn);
    retranslate();
}

void MainMenu::setScaleMark(int scale)
{
    for (std::size_t k = 0; k < scales_.size(); ++k)
        scales_[k]->setChecked(static_cast<int>(k) + 1 == scale);
}

void MainMenu::setVoiceMark(Voice voice)
{
    for (std::size_t v = 0; v < voices_.size(); ++v)
        voices_[v]->setChecked(static_cast<Voice>(v) == voice);
}

void MainMenu::setLanguageMark(language::LanguageChoice choice)
{
    for (std::size_t l = 0; l < languages_.size(); ++l)
        languages_[l]->setChecked(static_cast<language::LanguageChoice>(l) == choice);
}

}  // namespace app
