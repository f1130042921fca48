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

ConversionOutcome convertMovie(const Conversion& job, const std::function<bool()>& stopRequested)
{
    const std::string cpk = cpkName(job.title);
    const std::string video = videoName(job.title, job.format);
    // Never the process's current folder, which the folder dialog moves.
    if (job.folder.empty())
        return ConversionOutcome::Failed;
    const std::string& folder = job.folder;
    const std::string videoPath = joinPath(folder, video);

    // A video left by an earlier run must not pass for this run's result.
    const FileStamp before = fileStamp(videoPath);
    std::vector<std::string> arguments;
    if (job.scale > 1)
        arguments = {"--scale", std::to_string(job.scale)};
    if (!job.subtitles.empty()) {
        arguments.insert(arguments.end(), {"--subtitles", job.subtitles});
        if (job.burnSubtitles)
            arguments.emplace_back("--burn-subtitles");
    }
    arguments.insert(arguments.end(), {cpk, video});
    const ProgramRun run = runProgram(job.converterPath, arguments, folder, stopRequested);
    const FileStamp after = fileStamp(videoPath);
    const bool written = after.exists && !(after == before);
    if (run.stopped || !run.exitedNormally || run.exitCode != 0 || !written || after.size == 0) {
        // What a stopped or failed converter wrote is no movie: leave no such
        // file under the final name.
        if (written)
            removeFile(videoPath);
        return run.stopped ? ConversionOutcome::Stopped : ConversionOutcome::Failed;
    }
    removeFile(joinPath(folder, cpk));
    return ConversionOutcome::Converted;
}

}  // namespace hotaru
