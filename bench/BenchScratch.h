#pragma once
// What the disc image and MP4 benchmarks share: their command line
// (--rounds N, --dir FOLDER) and a scratch folder removed when they end.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

class BenchScratch {
public:
    BenchScratch(const BenchScratch&) = delete;
    BenchScratch& operator=(const BenchScratch&) = delete;
    BenchScratch() = default;
    ~BenchScratch()
    {
        if (!dir.empty())
            std::filesystem::remove_all(dir);
    }

    // Reads the arguments and makes the folder; false (with a message) when
    // either fails. `holds` says what the folder is for, in the usage text.
    bool start(int argc, char** argv, const char* name, const char* holds)
    {
        std::string base = std::filesystem::temp_directory_path().string();
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            if (a == "--rounds" && i + 1 < argc) {
                rounds = std::max(1, std::atoi(argv[++i]));
            } else if (a == "--dir" && i + 1 < argc) {
                base = argv[++i];
            } else {
                std::fprintf(stderr, "usage: %s [--rounds N] [--dir FOLDER]\n  FOLDER holds %s\n", name, holds);
                return false;
            }
        }
        std::string made = base + "/hotaru-" + name + "-XXXXXX";
        if (!::mkdtemp(made.data())) {
            std::fprintf(stderr, "%s: cannot make a folder under %s\n", name, base.c_str());
            return false;
        }
        dir = made;
        return true;
    }

    int rounds = 5;
    std::string dir;
};
