#include "app/ExtractionRun.h"

#include "language/Failures.h"
#include "movie/SubtitleFile.h"

#include "app/ExtractionWorker.h"
#include "app/Session.h"
#include "catalogue/Catalogue.h"
#include "gui/SystemServices.h"
#include "gui/TaskbarProgress.h"
#include "gui/Utf8.h"
#include "language/Language.h"
#include "platform/InOutError.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QWidget>

namespace app {
namespace {

QString kbytes(std::int64_t bytes) { return QString::number(hotaru::kbytes(bytes)); }

}  // namespace

ExtractionRun::ExtractionRun(gui::SystemServices& services, Session& session, QWidget* window)
    : QObject(window), services_(services), session_(session), window_(window),
      taskbar_(services.taskbarProgress(window))
{
    // The folder, the converter or the switch chosen meanwhile reach the next movie.
    connect(&session_, &Session::runSettingsChanged, this, [this] {
        if (worker_)
            worker_->settings().update(session_.runSettings());
    });
}

ExtractionRun::~ExtractionRun() { stopWorker(); }

bool ExtractionRun::roomForPicks() const
{
    const hotaru::RunSettingsValues settings = session_.runSettings();
    const QString folder = QString::fromStdString(settings.outputFolder);
    if (folder.isEmpty())
        return true;  // the first copy says what is wrong with it
    const std::optional<std::int64_t> free = services_.freeSpace(folder);
    const std::optional<std::int64_t> needed =
        hotaru::shortOfSpace(session_.disc(), session_.picking().picks().live(), settings.format.has_value(), free);
    if (!needed)
        return true;
    services_.messageBox(window_,
                         tr("%1\n保存先の空き容量が足りません。\n必要な容量: %2 KBytes\n空き容量: %3 KBytes")
                             .arg(QDir::toNativeSeparators(folder), kbytes(*needed), kbytes(*free)),
                         tr("エラー"), gui::BoxButtons::Ok, gui::BoxIcon::Stop);
    return false;
}

void ExtractionRun::start()
{
    if (isRunning())
        return;
    const hotaru::RunSettingsValues settings = session_.runSettings();
    hotaru::RunSnapshot snapshot{session_.archivePath().toStdString(),
                                 session_.disc(),
                                 session_.picking().picks().live(),
                                 session_.archive(),
                                 session_.naming(),
                                 session_.existingFiles()};
    done_.clear();
    names_.clear();
    notConverted_.clear();
    refusedSubtitles_.clear();
    stopping_ = false;
    const std::int32_t disc = disc_ = snapshot.disc;
    worker_ = std::make_unique<ExtractionWorker>(std::move(snapshot), nullptr, services_.copyPriority());
    worker_->settings().update(settings);
    ExtractionWorker* w = worker_.get();
    // Worded here, in the language the window speaks when each arrives.
    const auto name = [this, disc](std::int32_t movie) {
        const auto it = names_.find(movie);
        return it != names_.end() ? it->second : QString::fromStdString(std::string(hotaru::movieTitle(disc, movie)));
    };
    const auto cpk = [name](std::int32_t movie) {
        return QString::fromStdString(hotaru::cpkName(name(movie).toStdString()));
    };
    const auto video = [name](std::int32_t movie, int format) {
        return QString::fromStdString(
            hotaru::videoName(name(movie).toStdString(), static_cast<hotaru::VideoFormat>(format)));
    };
    connect(
        w, &ExtractionWorker::named, this, [this](std::int32_t movie, const QString& n) { names_[movie] = n; },
        Qt::QueuedConnection);
    connect(
        w, &ExtractionWorker::skipped, this,
        [this](std::int32_t, const QString& n) {
            Q_EMIT statusChanged(tr("%1  は既にあるので作成しませんでした。").arg(n));
        },
        Qt::QueuedConnection);
    connect(
        w, &ExtractionWorker::copying, this,
        [this, cpk](std::int32_t movie) { Q_EMIT statusChanged(tr("%1  を作成中です。").arg(cpk(movie))); },
        Qt::QueuedConnection);
    connect(
        w, &ExtractionWorker::retrying, this,
        [this, cpk](std::int32_t movie, int attempt) {
            Q_EMIT statusChanged(tr("%1  を読み直しています。(%2回目)").arg(cpk(movie)).arg(attempt));
        },
        Qt::QueuedConnection);
    connect(
        w, &ExtractionWorker::converting, this,
        [this, video](std::int32_t movie, int format) {
            Q_EMIT statusChanged(tr("%1  に変換中です。").arg(video(movie, format)));
        },
        Qt::QueuedConnection);
    connect(
        w, &ExtractionWorker::notConverted, this,
        [this, video](std::int32_t movie, int format) {
            Q_EMIT statusChanged(tr("%1  に変換できませんでした。").arg(video(movie, format)));
        },
        Qt::QueuedConnection);
    connect(
        w, &ExtractionWorker::subtitlesRefused, this,
        [this](std::int32_t, const QString& path, int error, int line) {
            refusedSubtitles_ << QDir::toNativeSeparators(path) + QStringLiteral(": ") +
                                     language::subtitleText({static_cast<hotaru::SubtitleError>(error), line});
        },
        Qt::QueuedConnection);
    connect(w, &ExtractionWorker::fileNameChanged, this, &ExtractionRun::fileNameChanged, Qt::QueuedConnection);
    connect(
        w, &ExtractionWorker::stepped, this,
        [this] {
            if (!worker_)
                return;
            const int slices = worker_->takeSteps();
            showProgress();
            Q_EMIT stepped(slices);
        },
        Qt::QueuedConnection);
    connect(w, &ExtractionWorker::movieEnded, this, &ExtractionRun::movieEnded, Qt::QueuedConnection);
    connect(w, &ExtractionWorker::completed, this, &ExtractionRun::complete, Qt::QueuedConnection);
    connect(w, &ExtractionWorker::failed, this, &ExtractionRun::fail, Qt::QueuedConnection);
    connect(w, &ExtractionWorker::stopped, this, &ExtractionRun::stopped, Qt::QueuedConnection);
    taskbar_->setProgress(0.0);
    w->start();
    Q_EMIT stoppableChanged(true);  // it lowers itself to the copy priority
}

void ExtractionRun::movieEnded(std::int32_t movie, int end)
{
    const auto how = static_cast<hotaru::MovieEnd>(end);
    if (hotaru::isDone(how))
        done_.push_back(movie);
    if (how == hotaru::MovieEnd::NotConverted)
        notConverted_.push_back(movie);
    showProgress();
}

void ExtractionRun::showProgress()
{
    if (worker_)
        taskbar_->setProgress(worker_->fraction());
}

void ExtractionRun::requestStop()
{
    if (!isStoppable())
        return;
    // The worker looks at the request after every slice and while the
    // converter runs; what it finished stays, and stopped() follows.
    stopping_ = true;
    worker_->requestInterruption();
    Q_EMIT stoppableChanged(false);
}

void ExtractionRun::confirmStop()
{
    if (isStoppable() && services_.messageBox(window_, tr("ファイルの作成を中止しますか？"), tr("確認"),
                                              gui::BoxButtons::OkCancel) == gui::BoxAnswer::Ok)
        requestStop();  // nothing when the run ended meanwhile
}

void ExtractionRun::stop()
{
    completing_ = false;  // the box goes with the window
    if (!worker_)
        return;
    disconnect(worker_.get(), nullptr, this, nullptr);
    stopWorker();
    // What it sent before stopping is still queued: let it land now, not on a later run.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    finish(End::Stopped);
}

void ExtractionRun::stopWorker()
{
    if (!worker_)
        return;
    // The worker looks at the request after every slice, so this wait is short.
    worker_->requestInterruption();
    worker_->wait();
    worker_.reset();
    Q_EMIT stoppableChanged(false);
}

void ExtractionRun::askForAttention()
{
    if (!window_->isActiveWindow())
        services_.requestAttention(window_);
}

void ExtractionRun::complete()
{
    if (!worker_)
        return;
    stopWorker();
    // The run ends when the box is answered; until then the lists and the
    // buttons stay off, but the menus and 終了 stay usable.
    completing_ = true;
    taskbar_->clear();
    askForAttention();
    QString text = tr("ファイルの作成が終了しました。");
    if (!notConverted_.empty()) {
        QStringList names;
        for (const std::int32_t m : notConverted_)
            names << language::movieTitle(session_.language(), disc_, m);
        text += tr("\n変換できなかったムービー: %1").arg(names.join(tr("、", "between titles")));
    }
    if (!refusedSubtitles_.isEmpty())
        text += tr("\n使えなかった字幕 (字幕なしで変換しました):\n%1").arg(refusedSubtitles_.join(u'\n'));
    services_.notify(window_, text, tr("終了"), [guard = QPointer<ExtractionRun>(this)] {
        if (!guard || !guard->completing_)
            return;
        guard->completing_ = false;
        const auto failed = static_cast<qsizetype>(guard->notConverted_.size());
        Q_EMIT guard->statusChanged(
            failed == 0 ? tr("終了しました。")
                        : tr("終了しました。変換できなかったムービーが%n本あります。", "", int(failed)));
        guard->finish(End::Completed);
    });
}

void ExtractionRun::fail(const QString& path, const QString& message)
{
    if (!worker_)
        return;
    stopWorker();
    taskbar_->setFailed();
    askForAttention();
    const QString text = gui::asSentence(message);
    const QString shown = path.isEmpty() ? text : QDir::toNativeSeparators(path) + u'\n' + text;
    services_.messageBox(window_, shown, tr("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ"), gui::BoxButtons::Ok, gui::BoxIcon::Stop);
    Q_EMIT statusChanged(text);
    finish(End::Failed);
}

void ExtractionRun::stopped()
{
    if (!worker_)
        return;
    stopWorker();
    askForAttention();
    Q_EMIT statusChanged(tr("中止しました。ムービーを%n本作成しました。", "", int(done_.size())));
    finish(End::Stopped);
}

void ExtractionRun::finish(End how)
{
    taskbar_->clear();
    stopping_ = false;
    Q_EMIT ended(how);
}

}  // namespace app
