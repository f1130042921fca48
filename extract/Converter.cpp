#include "Converter.h"

#include "File.h"
#include "Process.h"

namespace hotaru {

std::string convertingText(const std::string& title) { return title + ".avi  に変換中です。"; }

std::string conversionFailedText(const std::string& title) { return title + ".avi  に変換できませんでした。"; }

ConversionOutcome convertMovie(const Conversion& job, const std::function<bool()>& stopRequested)
{
    const std::string cpkName = job.title + ".cpk";
    const std::string aviName = job.title + ".avi";
    const std::string folder = job.folder.empty() ? currentDirectory() : job.folder;
    const std::string avi = joinPath(folder, aviName);

    // An .avi left by an earlier run must not pass for this run's result.
    const FileStamp before = fileStamp(avi);
    const ProgramRun run = runProgram(job.converterPath, {cpkName, aviName}, folder, stopRequested);
    const FileStamp after = fileStamp(avi);
    const bool written = after.exists && !(after == before);
    if (run.stopped || !run.exitedNormally || run.exitCode != 0 || !written || after.size == 0) {
        // What a stopped or failed converter wrote is no movie: leave no such
        // file under the final name.
        if (written)
            removeFile(avi);
        return run.stopped ? ConversionOutcome::Stopped : ConversionOutcome::Failed;
    }
    removeFile(joinPath(folder, cpkName));
    return ConversionOutcome::Converted;
}

}  // namespace hotaru
