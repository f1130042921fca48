#pragma once
// Scratch folders and byte checks shared by the copy tests.

#include <gtest/gtest.h>

#include "FileChecks.h"

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() / ("hotaru-extract-" + std::to_string(std::random_device()()) + "-" +
                                             (info ? info->name() : "suite"));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() { fs::remove_all(path_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // The names in the folder, for spotting stray temporary files.
    std::set<std::string> names() const
    {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(path_))
            out.insert(e.path().filename().string());
        return out;
    }

private:
    fs::path path_;
};

inline std::vector<char> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Bytes that differ at every position, so a shifted or short copy shows.
inline std::vector<char> patterned(std::size_t n, unsigned seed = 7)
{
    std::vector<char> v(n);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& c : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return v;
}

