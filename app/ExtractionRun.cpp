#include "app/ExtractionRun.h"

#include "app/ExtractionWorker.h"
#include "app/Session.h"
#include "gui/SystemServices.h"
#include "platform/InOutError.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QWidget>

namespace app {
ExtractionRun::ExtractionRun(gui::SystemServices& services, Session& session, QWidget* window)
    : QObject(window), services_(services), session_(session), window_(window)
{
    // The folder, the converter or the switch chosen meanwhile reach the next movie.
    connect(&session_, &Session::runSettingsChanged, this, [this] {
        if (worker_)
            worker_->settings().update(session_.runSettings());
    });
}

ExtractionRun::~ExtractionRun() { stopWorker(); }

void ExtractionRun::start()
{
    if (isRunning())
        return;
    worker_ = std::make_unique<ExtractionWorker>(
        hotaru::RunSnapshot{session_.archivePath().toStdString(), session_.disc(), session_.picking().picks().live()},
        nullptr, services_.copyPriority());
    worker_->settings().update(session_.runSettings());
    ExtractionWorker* w = worker_.get();
    connect(w, &ExtractionWorker::statusChanged, this, &ExtractionRun::statusChanged, Qt::QueuedConnection);
    connect(w, &ExtractionWorker::fileNameChanged, this, &ExtractionRun::fileNameChanged, Qt::QueuedConnection);
    connect(
        w, &ExtractionWorker::stepped, this,
        [this] {
            if (worker_)
                Q_EMIT stepped(worker_->takeSteps());
        },
        Qt::QueuedConnection);
    connect(w, &ExtractionWorker::completed, this, &ExtractionRun::complete, Qt::QueuedConnection);
    connect(w, &ExtractionWorker::failed, this, &ExtractionRun::fail, Qt::QueuedConnection);
    w->start();  // it lowers itself to the copy priority
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
    finish(false);
}

void ExtractionRun::stopWorker()
{
    if (!worker_)
        return;
    // The worker looks at the request after every slice, so this wait is short.
    worker_->requestInterruption();
    worker_->wait();
    worker_.reset();
}

void ExtractionRun::complete()
{
    if (!worker_)
        return;
    stopWorker();
    // The run ends when the box is answered; until then the lists and the
    // buttons stay off, but the menus and 終了 stay usable.
    completing_ = true;
    services_.notify(window_, QStringLiteral("ファイルの作成が終了しました。"), QStringLiteral("終了"),
                     [guard = QPointer<ExtractionRun>(this)] {
                         if (!guard || !guard->completing_)
                             return;
                         guard->completing_ = false;
                         Q_EMIT guard->statusChanged(QStringLiteral("終了しました。"));
                         guard->finish(true);
                     });
}

void ExtractionRun::fail(const QString& path, const QString& message)
{
    if (!worker_)
        return;
    stopWorker();
    const QString text = QString::fromStdString(hotaru::withFullStop(message.toStdString()));
    const QString shown = path.isEmpty() ? text : QDir::toNativeSeparators(path) + u'\n' + text;
    services_.messageBox(window_, shown, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ"), gui::BoxButtons::Ok, gui::BoxIcon::Stop);
    Q_EMIT statusChanged(text);
    finish(false);
}

void ExtractionRun::finish(bool completed) { Q_EMIT ended(completed); }

}  // namespace app
