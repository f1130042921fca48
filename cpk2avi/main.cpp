// cpk2avi [--scale N] [--subtitles FILE [--burn-subtitles]] IN.cpk
// OUT.avi|OUT.mp4|OUT.mkv: remuxes a FILM/CPK movie into a standard AVI or
// Matroska file, or converts it into an MP4 (H.264 and AAC) a browser plays;
// the name's extension says which. Subtitles (SRT, ASS) go in as a track, or
// drawn into the pictures.
#include "catalogue/OutputFormats.h"
#include "cpk2avi/CpkToAvi.h"
#include "platform/TempFile.h"
#ifdef _WIN32
#include "platform/Utf16.h"
#endif

extern "C" {
#include <libavutil/log.h>
}

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

#ifndef _WIN32
// A cancelled run (the caller may stop us) must not leave its temporary behind.
extern "C" void onStopSignal(int sig)
{
    hotaru::removeActiveTempFile();
    std::raise(sig);  // SA_RESETHAND restored the default action
}

void removeTempOnStop()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    // Past a file size limit a write then fails (EFBIG) and the run ends as
    // on a full disk, instead of the process being killed mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
}
#endif

int usage()
{
    std::string outputs;
    for (const hotaru::OutputFormat& row : hotaru::OutputFormats)
        outputs += (outputs.empty() ? "OUT" : "|OUT") + std::string(row.extension);
    std::fprintf(stderr,
                 "usage: cpk2avi [--scale %d-%d] [--subtitles FILE.srt|FILE.ass [--burn-subtitles]] IN.cpk %s\n",
                 hotaru::MinScale, hotaru::MaxScale, outputs.c_str());
    return 2;
}

// The arguments after the program's name: options, then IN and OUT.
int run(const std::vector<std::string>& arguments)
{
    hotaru::ConvertOptions options;
    std::size_t i = 0;
    while (arguments.size() - i > 2) {
        const std::string& option = arguments[i];
        if (option == "--burn-subtitles") {
            options.burnSubtitles = true;
            ++i;
            continue;
        }
        const std::string& value = arguments[i + 1];
        if (option == "--scale" && value.size() == 1 && value[0] >= '0' + hotaru::MinScale &&
            value[0] <= '0' + hotaru::MaxScale)
            options.scale = value[0] - '0';
        else if (option == "--subtitles" && !value.empty())
            options.subtitles = value;
        else
            return usage();
        i += 2;
    }
    if (arguments.size() - i != 2 || (options.burnSubtitles && options.subtitles.empty()))
        return usage();
    const std::string& in = arguments[i];
    const std::string& out = arguments[i + 1];
    // Our own one-line message says what went wrong; FFmpeg's chatter would bury it.
    av_log_set_level(AV_LOG_QUIET);
    std::string error;
    if (hotaru::convertCpk(in, out, error, options) != 0) {
        std::fprintf(stderr, "cpk2avi: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

#ifdef _WIN32
// The wide command line, so that names in any script arrive; the program
// stops us with TerminateProcess, which no handler sees.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(hotaru::narrow(argv[i]));
    return run(arguments);
}
#else
int main(int argc, char** argv)
{
    removeTempOnStop();
    return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
