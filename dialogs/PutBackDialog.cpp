#include "dialogs/PutBackDialog.h"

#include "catalogue/Catalogue.h"
#include "gui/SystemServices.h"
#include "language/Language.h"
#include "remake/MovieRemake.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace dialogs {

namespace {

// What a fan re-makes a movie from: videos FFmpeg reads, and subtitles.
const QStringList VideoPatterns{QStringLiteral("*.mp4"), QStringLiteral("*.mkv"), QStringLiteral("*.webm"),
                                QStringLiteral("*.avi"), QStringLiteral("*.mov"), QStringLiteral("*.cpk")};
const QStringList SubtitlePatterns{QStringLiteral("*.srt"), QStringLiteral("*.ass"), QStringLiteral("*.ssa")};

}  // namespace

PutBackDialog::PutBackDialog(gui::SystemServices& services, QWidget* parent)
    : FixedWindow({"PutBackForm", QString(),
                   Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                       Qt::MSWindowsFixedSizeDialogHint,
                   gui::Placement::Centred},
                  parent),
      services_(services)
{
    setModal(true);
    auto* form = new QFormLayout;
    movie_ = new QComboBox(this);
    movie_->setObjectName(QStringLiteral("movie"));
    movie_->setMinimumWidth(360);
    auto* movieLabel = new QLabel(this);
    movieLabel->setBuddy(movie_);
    form->addRow(movieLabel, movie_);

    const auto pathRow = [&](QLineEdit*& edit, QPushButton*& button, const char* editName, const char* buttonName) {
        edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(editName));
        button = new QPushButton(this);
        button->setObjectName(QLatin1String(buttonName));
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(button);
        auto* label = new QLabel(this);
        label->setBuddy(edit);
        form->addRow(label, row);
        return label;
    };
    QLabel* fileLabel = pathRow(file_, fileButton_, "movieFile", "chooseMovieFile");
    QLabel* folderLabel = pathRow(folder_, folderButton_, "targetFolder", "chooseTargetFolder");
    maxSeconds_ = new QDoubleSpinBox(this);
    maxSeconds_->setObjectName(QStringLiteral("maxSeconds"));
    maxSeconds_->setDecimals(0);
    maxSeconds_->setRange(1, 24 * 3600);
    maxSeconds_->setValue(hotaru::DefaultMaxSeconds);
    auto* maxLabel = new QLabel(this);
    maxLabel->setBuddy(maxSeconds_);
    form->addRow(maxLabel, maxSeconds_);

    stage_ = new QLabel(this);
    stage_->setObjectName(QStringLiteral("stage"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    outcome_ = new QLabel(this);
    outcome_->setObjectName(QStringLiteral("outcome"));
    outcome_->setWordWrap(true);
    outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(this);
    start_ = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
    start_->setObjectName(QStringLiteral("putBack"));
    stop_ = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
    stop_->setObjectName(QStringLiteral("stop"));
    close_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    close_->setObjectName(QStringLiteral("close"));
    setDefaultButton(start_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(stage_);
    layout->addWidget(progress_);
    layout->addWidget(outcome_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    word([=, this] {
        setWindowTitle(tr("ﾑｰﾋﾞｰの書き戻し"));
        movieLabel->setText(tr("ﾑｰﾋﾞｰ(&M):"));
        fileLabel->setText(tr("新しい動画か字幕(&F):"));
        file_->setToolTip(tr("動画ならそのﾑｰﾋﾞｰに置き換え、字幕(.srt/.ass)ならﾃﾞｨｽｸのﾑｰﾋﾞｰに焼き込みます"));
        fileButton_->setText(tr("参照(&R)..."));
        folderLabel->setText(tr("ﾃﾞｨｽｸｲﾒｰｼﾞの保存先(&D):"));
        folderButton_->setText(tr("参照(&B)..."));
        maxLabel->setText(tr("長さの上限(&L):"));
        maxSeconds_->setSuffix(tr(" 秒"));
        // The editor inside the box takes the focus, so it carries the name screen readers say.
        if (auto* editor = maxSeconds_->findChild<QLineEdit*>())
            editor->setAccessibleName(QString(maxLabel->text()).remove(u'&').remove(u':'));
        outcome_->setAccessibleName(tr("結果"));
        start_->setText(tr("書き戻す(&W)"));
        stop_->setText(tr("中止(&C)"));
        close_->setText(tr("閉じる"));
        fillMovies();
        refresh();
    });
    connect(fileButton_, &QPushButton::clicked, this, &PutBackDialog::chooseFile);
    connect(folderButton_, &QPushButton::clicked, this, &PutBackDialog::chooseFolder);
    connect(file_, &QLineEdit::textChanged, this, &PutBackDialog::refresh);
    connect(folder_, &QLineEdit::textChanged, this, &PutBackDialog::refresh);
    connect(start_, &QPushButton::clicked, this, &PutBackDialog::start);
    connect(stop_, &QPushButton::clicked, this, [this] {
        stop_->setEnabled(false);
        Q_EMIT stopAsked();
    });
    connect(close_, &QPushButton::clicked, this, &PutBackDialog::reject);
    setWorking(false);
}

void PutBackDialog::setDisc(std::int32_t disc, const QString& archivePath)
{
    disc_ = disc;
    archivePath_ = archivePath;
    fillMovies();
    refresh();
}

void PutBackDialog::setMovie(std::int32_t movie)
{
    const int row = movie_->findData(movie);
    if (row >= 0)
        movie_->setCurrentIndex(row);
}

void PutBackDialog::fillMovies()
{
    const QVariant kept = movie_->currentData();
    movie_->clear();
    if (disc_ <= 0)
        return;
    const language::Language shown = language::installedLanguage();
    for (std::int32_t n = 1; n <= hotaru::movieCount(disc_); ++n)
        movie_->addItem(QStringLiteral("%1  %2").arg(n, 2).arg(language::movieTitle(shown, disc_, n)), n);
    const int row = movie_->findData(kept);
    movie_->setCurrentIndex(row >= 0 ? row : 0);
}

void PutBackDialog::refresh()
{
    start_->setEnabled(!working_ && disc_ > 0 && !file_->text().trimmed().isEmpty() &&
                       !folder_->text().trimmed().isEmpty());
    if (disc_ <= 0 && !working_)
        stage_->setText(tr("先にﾃﾞｨｽｸかﾃﾞｨｽｸｲﾒｰｼﾞを開いてください。"));
    else if (!working_ && stage_->text() == tr("先にﾃﾞｨｽｸかﾃﾞｨｽｸｲﾒｰｼﾞを開いてください。"))
        stage_->clear();
}

void PutBackDialog::chooseFile()
{
    gui::FileRequest request;
    request.title = tr("新しい動画か字幕");
    request.filterName = tr("動画と字幕");
    request.fileNames = VideoPatterns + SubtitlePatterns;
    request.moreFilters = {{tr("字幕"), SubtitlePatterns}, {tr("すべてのﾌｧｲﾙ"), {QStringLiteral("*")}}};
    request.initialFolder = QFileInfo(file_->text()).absolutePath();
    if (const std::optional<QString> chosen = services_.openFile(this, request))
        file_->setText(QDir::toNativeSeparators(*chosen));
}

void PutBackDialog::chooseFolder()
{
    const QString start = folder_->text().isEmpty() ? QFileInfo(archivePath_).absolutePath() : folder_->text();
    if (const std::optional<QString> chosen = services_.chooseFolder(this, tr("ﾃﾞｨｽｸｲﾒｰｼﾞの保存先"), start))
        folder_->setText(QDir::toNativeSeparators(*chosen));
}

void PutBackDialog::start()
{
    if (working_ || disc_ <= 0)
        return;
    const QString file = file_->text().trimmed();
    const QString folder = folder_->text().trimmed();
    if (!QFileInfo(file).isFile()) {
        services_.showError(this, tr("%1 が見つかりません").arg(file));
        return;
    }
    if (!QFileInfo(folder).isDir()) {
        services_.showError(this, tr("保存先のﾌｫﾙﾀﾞ %1 がありません").arg(folder));
        return;
    }
    outcome_->clear();
    progress_->setValue(0);
    setWorking(true);
    Q_EMIT putBackAsked({movie_->currentData().value<std::int32_t>(), file, folder, maxSeconds_->value()});
}

void PutBackDialog::setWorking(bool working)
{
    working_ = working;
    for (QWidget* w : std::initializer_list<QWidget*>{movie_, file_, fileButton_, folder_, folderButton_, maxSeconds_})
        w->setEnabled(!working);
    stop_->setEnabled(working);
    close_->setEnabled(!working);
    refresh();
}

void PutBackDialog::showProgress(const QString& stage, int permille)
{
    stage_->setText(stage);
    progress_->setValue(permille);
}

void PutBackDialog::showFinished(const QStringList& files, int quality, qint64 movieBytes, qint64 budget,
                                 bool chdAsBinCue)
{
    setWorking(false);
    progress_->setValue(progress_->maximum());
    stage_->setText(tr("書き戻しました。"));
    QString text =
        tr("画質 %1% で %2 ﾊﾞｲﾄ (元のﾑｰﾋﾞｰは %3 ﾊﾞｲﾄ)。書き込んだﾌｧｲﾙ:").arg(quality).arg(movieBytes).arg(budget);
    for (const QString& f : files)
        text += u'\n' + QDir::toNativeSeparators(f);
    if (chdAsBinCue)
        text += u'\n' + tr("chdman が見つからないため、CHD は BIN/CUE で書き出しました。");
    outcome_->setText(text);
}

void PutBackDialog::showFailed(const QString& message, bool stopped)
{
    setWorking(false);
    progress_->setValue(0);
    stage_->setText(stopped ? tr("中止しました。何も書き込んでいません。") : QString());
    outcome_->clear();
    if (!stopped)
        services_.showError(this, message);
}

void PutBackDialog::closeEvent(QCloseEvent* e)
{
    // Closed while working, it stops first; the result still reaches it.
    if (working_) {
        e->ignore();
        if (stop_->isEnabled())
            stop_->click();
        return;
    }
    FixedWindow::closeEvent(e);
}

void PutBackDialog::reject()
{
    if (working_) {
        if (stop_->isEnabled())
            stop_->click();
        return;
    }
    QDialog::reject();
}

}  // namespace dialogs
