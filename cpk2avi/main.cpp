// cpk2avi IN.cpk OUT.avi: remuxes a FILM/CPK movie into a standard AVI.
#include "CpkToAvi.h"
#include "TempFile.h"

extern "C" {
#include <libavutil/log.h>
}

#include <csignal>
#include <cstdio>
#include <string>

namespace {

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
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: cpk2avi IN.cpk OUT.avi\n");
        return 2;
    }
    removeTempOnStop();
    // Our own one-line message says what went wrong; FFmpeg's chatter would bury it.
    av_log_set_level(AV_LOG_QUIET);
    std::string error;
    if (hotaru::convertCpkToAvi(argv[1], argv[2], error) != 0) {
        std::fprintf(stderr, "cpk2avi: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
