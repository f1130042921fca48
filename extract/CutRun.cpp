#include "extract/CutRun.h"

#include "catalogue/Catalogue.h"
#include "platform/InOutError.h"

#include <exception>

namespace hotaru {

std::string creatingText(std::string_view title) { return cpkName(title) + "  を作成中です。"; }

CopyOutcome cutMovie(const RunSnapshot& run, std::int32_t movie, const std::string& outputFolder,
                     const MovieHooks& hooks)
{
    const std::string_view title = movieTitle(run.disc, movie);
    if (hooks.status)
        hooks.status(creatingText(title));
    const RangeCopy job{run.archivePath, movieOffset(run.disc, movie), movieSize(run.disc, movie),
                        outputFolder + cpkName(title)};
    CopyHooks copyHooks;
    if (hooks.label)
        copyHooks.opened = [&] { hooks.label(cpkName(title)); };
    copyHooks.slice = hooks.slice;
    return copyRange(job, copyHooks);
}

RunResult runAll(const std::vector<std::int32_t>& movies, const std::function<bool()>& stopRequested,
                 const std::function<void(std::int32_t)>& cut)
{
    try {
        for (const std::int32_t movie : movies) {
            if (stopRequested())
                return {RunEnd::Stopped, {}, {}};
            cut(movie);
        }
    } catch (const EInOutError& e) {
        return {RunEnd::Failed, e.path(), e.what()};
    } catch (const std::exception& e) {
        return {RunEnd::Failed, {}, e.what()};
    }
    if (stopRequested())
        return {RunEnd::Stopped, {}, {}};
    return {};
}

}  // namespace hotaru
