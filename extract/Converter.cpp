#include "extract/Converter.h"

#include "catalogue/MovieFiles.h"
#include "platform/File.h"
#include "platform/Process.h"

namespace hotaru {

std::string bundledConverter(const std::string& programFolder)
{
    const std::string path = joinPath(programFolder, BundledConverterName);
    return isExecutableFile(path) ? path : std::string();
}

std::string convertingText(const std::string& title) { return aviName(title) + "  に変換中です。"; }

std::string conversionFailedText(const std::string& title) { return aviName(title) + "  に変換できませんでした。"; }

ConversionOutcome convertMovie(const Conversion& job, const std::function<bool()>& stopRequested)
{
    const std::string cpk = cpkName(job.title);
    const std::string avi = aviName(job.title);
    const std::string folder = job.folder.empty() ? currentDirectory() : job.folder;
    const std::string aviPath = joinPath(folder, avi);

    // An .avi left by an earlier run must not pass for this run's result.
    const FileStamp before = fileStamp(aviPath);
    const ProgramRun run = runProgram(job.converterPath, {cpk, avi}, folder, stopRequested);
    const FileStamp after = fileStamp(aviPath);
    const bool written = after.exists && !(after == before);
    if (run.stopped || !run.exitedNormally || run.exitCode != 0 || !written || after.size == 0) {
        // What a stopped or failed converter wrote is no movie: leave no such
        // file under the final name.
        if (written)
            removeFile(aviPath);
        return run.stopped ? ConversionOutcome::Stopped : ConversionOutcome::Failed;
    }
    removeFile(joinPath(folder, cpk));
    return ConversionOutcome::Converted;
}

}  // namespace hotaru
