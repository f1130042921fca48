#include "app/ExtractionWorker.h"

#include "catalogue/Catalogue.h"
#include "extract/Converter.h"
#include "gui/Utf8.h"
#include "platform/File.h"

namespace app {
using gui::fromUtf8;

ExtractionWorker::ExtractionWorker(hotaru::RunSnapshot snapshot, QObject* parent, Priority copyPriority)
    : QThread(parent), snapshot_(std::move(snapshot)), copyPriority_(copyPriority)
{
}

void ExtractionWorker::run()
{
    hotaru::TaskThread handOffs;
    handOffs_ = &handOffs;
    hotaru::RunArchive archive(snapshot_.archivePath);
    archive_ = &archive;
    // Copies yield to everything else; the converter must not, and an
    // ordinary user cannot raise a thread or its children back from idle.
    setPriority(copyPriority_);
    const hotaru::RunResult result = hotaru::runAll(
        snapshot_.movies, [this] { return isInterruptionRequested(); }, [this](std::int32_t n) { extractMovie(n); });
    handOffs_ = nullptr;
    archive_ = nullptr;
    switch (result.end) {
    case hotaru::RunEnd::Completed:
        Q_EMIT completed();
        break;
    case hotaru::RunEnd::Failed:
        // Bad bytes in an image: say which movie they belong to.
        Q_EMIT failed(
            fromUtf8(result.path),
            fromUtf8(result.damagedImage && result.movie != 0
                         ? hotaru::cpkName(hotaru::movieTitle(snapshot_.disc, result.movie)) + ": " + result.message
                         : result.message));
        break;
    case hotaru::RunEnd::Stopped:
        break;
    }
}

bool ExtractionWorker::sliceDone()
{
    steps_.fetch_add(1);
    if (!sinceSteps_.isValid() || sinceSteps_.hasExpired(StepInterval))
        offerSteps();
    return !isInterruptionRequested();
}

void ExtractionWorker::offerSteps()
{
    if (steps_.load() > 0 && !stepPending_.exchange(true)) {
        sinceSteps_.start();
        Q_EMIT stepped();
    }
}

void ExtractionWorker::extractMovie(std::int32_t n)
{
    hotaru::MovieHooks hooks;
    hooks.status = [this](const std::string& text) { Q_EMIT statusChanged(fromUtf8(text)); };
    hooks.label = [this](const std::string& text) { Q_EMIT fileNameChanged(fromUtf8(text)); };
    hooks.slice = [this] { return sliceDone(); };
    hooks.retrying = [this](const std::string& text) { Q_EMIT statusChanged(fromUtf8(text)); };
    // Pinned now: the folder dialog may move the working folder while this
    // movie is copied or converted.
    std::string folder = settings().current().outputFolder;
    if (folder.empty())
        folder = hotaru::joinPath(hotaru::currentDirectory(), std::string());
    const hotaru::CopyOutcome outcome = hotaru::extractMovie(snapshot(), *archive_, n, folder, hooks);
    offerSteps();
    if (outcome != hotaru::CopyOutcome::Written)
        return;
    Q_EMIT movieWritten(n);
    // The switch counts as it stands when the copy ends, not when it began.
    const hotaru::RunSettingsValues now = settings().current();
    const std::string title(hotaru::movieTitle(snapshot().disc, n));
    if (now.aviOutput)
        handOff({now.converterPath, folder, title, hotaru::VideoFormat::Avi});
    else if (now.mp4Output)
        handOff({now.bundledConverterPath, folder, title, hotaru::VideoFormat::Mp4});
}

void ExtractionWorker::handOff(const hotaru::Conversion& job)
{
    Q_EMIT statusChanged(fromUtf8(hotaru::convertingText(job.title, job.format)));
    hotaru::ConversionOutcome outcome = hotaru::ConversionOutcome::Failed;
    atNormalPriority([&] { outcome = hotaru::convertMovie(job, [this] { return isInterruptionRequested(); }); });
    if (outcome == hotaru::ConversionOutcome::Failed)
        Q_EMIT statusChanged(fromUtf8(hotaru::conversionFailedText(job.title, job.format)));
}

}  // namespace app
