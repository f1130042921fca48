// make-sample-archive: writes a stand-in for a disc's hotaru4 archive, so the
// tool can be tried and checked without the discs.
#include "platform/InOutError.h"
#include "tools/SampleArchive.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

void usage()
{
    std::fprintf(stderr, "usage: make-sample-archive [--disc 1|2] [--full] [--clips FOLDER] OUTPUT\n"
                         "  a movie whose clip-NN.cpk is in FOLDER starts with that movie\n");
}

}  // namespace

int main(int argc, char** argv)
{
    int disc = 1;
    std::string out;  // required: a stand-in must not land in whatever folder we run in
    hotaru::SampleFill fill = hotaru::SampleFill::Stamped;
    std::string clips;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--disc" && i + 1 < argc) {
            disc = std::atoi(argv[++i]);
        } else if (a == "--clips" && i + 1 < argc) {
            clips = argv[++i];
        } else if (a == "--full") {
            fill = hotaru::SampleFill::Full;
        } else if (a == "--help" || a == "-h" || a.starts_with('-')) {
            usage();
            return a == "--help" || a == "-h" ? 0 : 2;
        } else {
            out = a;
        }
    }
    if (out.empty()) {
        usage();
        return 2;
    }
    if (disc != 1 && disc != 2) {
        std::fprintf(stderr, "make-sample-archive: --disc takes 1 or 2\n");
        return 2;
    }
    try {
        const auto folder = std::filesystem::path(out).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder);
        hotaru::writeSampleArchive(out, disc, fill, clips);
    } catch (const hotaru::EInOutError& e) {
        std::fprintf(stderr, "make-sample-archive: %s: %s\n", e.path().c_str(), e.what());
        return 1;
    } catch (const std::filesystem::filesystem_error& e) {
        std::fprintf(stderr, "make-sample-archive: %s\n", e.what());
        return 1;
    }
    std::printf("%s: disc %d sample archive\n", out.c_str(), disc);
    return 0;
}
