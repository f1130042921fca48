// cpk2avi IN.cpk OUT.avi: remuxes a FILM/CPK movie into a standard AVI.
#include "CpkToAvi.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: cpk2avi IN.cpk OUT.avi\n");
        return 2;
    }
    // Our own one-line message says what went wrong; FFmpeg's chatter would bury it.
    av_log_set_level(AV_LOG_QUIET);
    std::string error;
    if (hotaru::convertCpkToAvi(argv[1], argv[2], error) != 0) {
        std::fprintf(stderr, "cpk2avi: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
