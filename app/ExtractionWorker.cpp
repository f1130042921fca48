#include "app/ExtractionWorker.h"

#include "catalogue/Catalogue.h"
#include "extract/Checksums.h"
#include "extract/Converter.h"
#include "gui/Utf8.h"
#include "language/Failures.h"
#include "movie/SubtitleFile.h"
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
    // Shared with the window's previews and tooltips when the window gave one.
    hotaru::RunArchive archive(snapshot_.archive ? snapshot_.archive
                                                 : std::make_shared<hotaru::SharedArchive>(snapshot_.archivePath));
    archive_ = &archive;
    const hotaru::RunSettingsValues atStart = settings().current();
    hotaru::RunProgress progress(snapshot_.disc, snapshot_.movies, atStart.format.has_value());
    progress_ = &progress;
    // Asked in the folder of the movie at hand: the folder may change between movies.
    hotaru::OutputNames names(snapshot_.existing,
                              [this](const std::string& file) { return hotaru::fileStamp(folder_ + file).exists; });
    names_ = &names;
    // Copies yield to everything else; the converter must not, and an
    // ordinary user cannot raise a thread or its children back from idle.
    setPriority(copyPriority_);
    const hotaru::RunResult result = hotaru::runAll(
        snapshot_.movies, [this] { return isInterruptionRequested(); },
        [this](std::int32_t n) { return extractMovie(n); });
    handOffs_ = nullptr;
    archive_ = nullptr;
    progress_ = nullptr;
    names_ = nullptr;
    switch (result.end) {
    case hotaru::RunEnd::Completed:
        Q_EMIT completed();
        break;
    case hotaru::RunEnd::Failed: {
        // Bad bytes in an image: say which movie they belong to.
        const hotaru::MovieFailure& f = result.failure();
        const QString what = language::errorText(f.error);
        Q_EMIT failed(fromUtf8(f.path), f.damagedImage
                                            ? fromUtf8(hotaru::cpkName(hotaru::movieTitle(snapshot_.disc, f.movie))) +
                                                  QStringLiteral(": ") + what
                                            : what);
        break;
    }
    case hotaru::RunEnd::Stopped:
        Q_EMIT stopped();
        break;
    }
}

bool ExtractionWorker::sliceDone()
{
    progress_->sliced(1);
    fraction_.store(progress_->fraction());
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

hotaru::MovieEnd ExtractionWorker::extractMovie(std::int32_t n)
{
    progress_->startMovie(n);
    hotaru::MovieHooks hooks;
    hooks.copying = [this, n] { Q_EMIT copying(n); };
    hooks.label = [this](const std::string& text) { Q_EMIT fileNameChanged(fromUtf8(text)); };
    hooks.slice = [this] { return sliceDone(); };
    hooks.retrying = [this, n](int attempt) { Q_EMIT retrying(n, attempt); };
    hooks.stopRequested = [this] { return isInterruptionRequested(); };
    // The switch counts as it stands when the copy ends, not when it began.
    hooks.conversion = [this, n]() -> std::optional<hotaru::ConversionChoice> {
        offerSteps();
        Q_EMIT movieWritten(n);
        return settings().current().conversion();
    };
    hotaru::VideoFormat format = hotaru::VideoFormat::Avi;
    hooks.converting = [this, n, &format](const hotaru::Conversion& job) {
        format = job.format;
        Q_EMIT converting(n, static_cast<int>(job.format));
    };
    hooks.convert = [this](const hotaru::Conversion& job) { return handOff(job); };
    hooks.subtitlesUsable = [this, n](const std::string& path) {
        const auto read = hotaru::readSubtitles(path);
        if (const auto* problem = std::get_if<hotaru::SubtitleProblem>(&read)) {
            Q_EMIT subtitlesRefused(n, fromUtf8(path), static_cast<int>(problem->error), problem->line);
            return false;
        }
        return true;
    };
    // Pinned now: a folder chosen while this movie is copied or converted
    // counts from the next one.
    const hotaru::RunSettingsValues now = settings().current();
    const std::string& folder = folder_ = now.outputFolder;
    const std::optional<std::string> name = hotaru::claimName(snapshot(), n, now.format, *names_);
    if (!name) {
        progress_->endMovie(hotaru::MovieEnd::Skipped);
        fraction_.store(progress_->fraction());
        Q_EMIT skipped(n, fromUtf8(snapshot().naming.nameFor(snapshot().disc, n)));
        Q_EMIT movieEnded(n, static_cast<int>(hotaru::MovieEnd::Skipped));
        return hotaru::MovieEnd::Skipped;
    }
    Q_EMIT named(n, fromUtf8(*name));
    hotaru::MovieEnd end = hotaru::MovieEnd::Stopped;
    try {
        end = hotaru::processMovie(snapshot(), *archive_, n, folder, hooks, *name);
    } catch (...) {
        progress_->endMovie(hotaru::MovieEnd::Stopped);
        throw;
    }
    progress_->endMovie(end);
    if (settings().current().checksums) {
        const std::string kept = hotaru::keptFileName(*name, end, format);
        if (!kept.empty())
            hotaru::recordChecksums(folder, {kept});
    }
    fraction_.store(progress_->fraction());
    offerSteps();
    if (end == hotaru::MovieEnd::NotConverted)
        Q_EMIT notConverted(n, static_cast<int>(format));
    Q_EMIT movieEnded(n, static_cast<int>(end));
    return end;
}

hotaru::ConversionOutcome ExtractionWorker::handOff(const hotaru::Conversion& job)
{
    hotaru::ConversionOutcome outcome = hotaru::ConversionOutcome::Failed;
    atNormalPriority([&] { outcome = hotaru::convertMovie(job, [this] { return isInterruptionRequested(); }); });
    return outcome;
}

}  // namespace app
