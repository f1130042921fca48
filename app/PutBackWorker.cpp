#include "app/PutBackWorker.h"

#include "language/PutBackTexts.h"

#include <QElapsedTimer>

namespace app {

namespace {
// The dialog needs no more than this many updates a second.
constexpr qint64 ProgressInterval = 50;  // ms
}  // namespace

PutBackWorker::PutBackWorker(std::shared_ptr<hotaru::SharedArchive> archive, hotaru::PutBackRequest request,
                             QObject* parent)
    : QThread(parent), archive_(std::move(archive)), request_(std::move(request))
{
}

void PutBackWorker::run()
{
    hotaru::RunArchive archive(archive_);
    QElapsedTimer sinceShown;
    QString lastStage;
    hotaru::PutBackEvents events;
    events.stopRequested = [this] { return isInterruptionRequested(); };
    events.progress = [&](const hotaru::PutBackProgress& p) {
        const QString stage = language::putBackStageText(p);
        if (stage == lastStage && sinceShown.isValid() && sinceShown.elapsed() < ProgressInterval)
            return;
        lastStage = stage;
        sinceShown.start();
        Q_EMIT progressed(stage, static_cast<int>(p.fraction * 1000));
    };
    try {
        const hotaru::PutBackResult result = hotaru::putBack(archive, request_, events);
        QStringList files;
        for (const std::string& f : result.copy.files)
            files << QString::fromStdString(f);
        Q_EMIT done(files, result.quality, result.movieBytes, result.budget, result.copy.chdAsBinCue);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        Q_EMIT failed(language::putBackFailureText(error), isInterruptionRequested());
    }
}

}  // namespace app
