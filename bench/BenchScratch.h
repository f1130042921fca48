#pragma once
// What the benchmarks share: their command line (--rounds N, --dir FOLDER),
// a scratch folder removed when they end, medians, the load average and
// finding a command.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

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

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline double loadAverage()
{
    double load = 0;
    return ::getloadavg(&load, 1) == 1 ? load : -1;
}

// The command's full path on PATH, or empty.
inline std::string onPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::filesystem::path candidate = std::filesystem::path(folders.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        start = end + 1;
    }
    return {};
}
