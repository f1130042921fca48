#include "CutThread.h"

#include "Catalogue.h"
#include "Globals.h"

TCutThread::TCutThread(hotaru::RunSnapshot snapshot, QObject* parent)
    : QThread(parent), snapshot_(std::move(snapshot))
{
}

void TCutThread::CutAll()
{
    const hotaru::RunResult result = hotaru::runAll(
        snapshot_.movies, [this] { return isInterruptionRequested(); }, [this](std::int32_t n) { CutMovie(n); });
    switch (result.end) {
    case hotaru::RunEnd::Completed:
        Q_EMIT completed();
        break;
    case hotaru::RunEnd::Failed:
        Q_EMIT failed(fromUtf8(result.path), fromUtf8(result.message));
        break;
    case hotaru::RunEnd::Stopped:
        break;
    }
}

void TnewThread::CutMovie(std::int32_t n)
{
    hotaru::MovieHooks hooks;
    hooks.status = [this](const std::string& text) { Q_EMIT statusChanged(fromUtf8(text)); };
    hooks.label = [this](const std::string& text) { Q_EMIT labelChanged(fromUtf8(text)); };
    hooks.slice = [this] { return sliceDone(); };
    const std::string folder = settings().current().outputFolder;
    const hotaru::CopyOutcome outcome = hotaru::cutMovie(snapshot(), n, folder, hooks);
    offerSteps();
    if (outcome != hotaru::CopyOutcome::Written)
        return;
    Q_EMIT movieDone(n);
    // The switch counts as it stands when the copy ends, not when it began.
    const hotaru::RunSettingsValues now = settings().current();
    if (now.aviOutput)
        HandOff(std::string(hotaru::movieTitle(snapshot().variant, n)), folder, now);
}

void TnewThread::HandOff(const std::string&, const std::string&, const hotaru::RunSettingsValues&)
{
    // The converter is not linked in yet: the .cpk stays as written.
}
