#include "extract/MovieExtraction.h"

#include "catalogue/Catalogue.h"
#include "disc/ImageMessage.h"
#include "platform/InOutError.h"

#include <exception>

namespace hotaru {

std::string creatingText(std::string_view title) { return cpkName(title) + "  を作成中です。"; }

std::string retryingText(std::string_view title, int attempt)
{
    return cpkName(title) + "  を読み直しています。(" + std::to_string(attempt) + "回目)";
}

CopyOutcome extractMovie(const RunSnapshot& run, RunArchive& archive, std::int32_t movie,
                         const std::string& outputFolder, const MovieHooks& hooks)
{
    const std::string_view title = movieTitle(run.disc, movie);
    if (hooks.status)
        hooks.status(creatingText(title));
    const RangeCopy job{run.archivePath, movieOffset(run.disc, movie), movieSize(run.disc, movie),
                        outputFolder + cpkName(title), &archive};
    CopyHooks copyHooks;
    if (hooks.label)
        copyHooks.opened = [&] { hooks.label(cpkName(title)); };
    // After a retry the status says again what is under way.
    bool retried = false;
    copyHooks.slice = [&] {
        if (retried && hooks.status)
            hooks.status(creatingText(title));
        retried = false;
        return !hooks.slice || hooks.slice();
    };
    if (hooks.retrying)
        copyHooks.retrying = [&](std::int64_t, int attempt) {
            retried = true;
            hooks.retrying(retryingText(title, attempt));
        };
    return copyRange(job, copyHooks);
}

namespace {

RunResult stopped()
{
    RunResult r;
    r.end = RunEnd::Stopped;
    return r;
}

RunResult failed(std::string path, std::string message)
{
    RunResult r;
    r.end = RunEnd::Failed;
    r.path = std::move(path);
    r.message = std::move(message);
    return r;
}

}  // namespace

RunResult runAll(const std::vector<std::int32_t>& movies, const std::function<bool()>& stopRequested,
                 const std::function<void(std::int32_t)>& extract)
{
    std::int32_t current = 0;
    try {
        for (const std::int32_t movie : movies) {
            if (stopRequested())
                return stopped();
            current = movie;
            extract(movie);
        }
    } catch (const EInOutError& e) {
        return failed(e.path(), e.what());
    } catch (const disc::ImageError& e) {
        RunResult r = failed(e.file(), disc::imageMessage(e));
        r.damagedImage = true;
        r.movie = current;
        r.englishMessage = e.what();
        return r;
    } catch (const std::exception& e) {
        return failed({}, e.what());
    }
    if (stopRequested())
        return stopped();
    return {};
}

}  // namespace hotaru
