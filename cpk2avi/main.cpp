// cpk2avi IN.cpk OUT.avi|OUT.mp4: remuxes a FILM/CPK movie into a standard
// AVI, or converts it into an MP4 (H.264 and AAC) a browser plays.
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
    std::fprintf(stderr, "usage: cpk2avi IN.cpk OUT.avi|OUT.mp4\n");
    return 2;
}

int run(const std::string& in, const std::string& out)
{
    // Our own one-line message says what went wrong; FFmpeg's chatter would bury it.
    av_log_set_level(AV_LOG_QUIET);
    std::string error;
    if (hotaru::convertCpkToAvi(in, out, error) != 0) {
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
    if (argc != 3)
        return usage();
    return run(hotaru::narrow(argv[1]), hotaru::narrow(argv[2]));
}
#else
int main(int argc, char** argv)
{
    if (argc != 3)
        return usage();
    removeTempOnStop();
    return run(argv[1], argv[2]);
}
#endif
