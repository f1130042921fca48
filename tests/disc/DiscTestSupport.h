#pragma once
// Images of one small archive, made once per suite: by this project's own
// writers, by xorriso and by chdman where they are installed.
//
// A case that needs a missing tool skips, unless HOTARU_REQUIRE_TOOLS=1 says
// the tools were installed (as the test command does): then it fails.

#include "RequiredTools.h"
#include "disc/ArchiveReader.h"
#include "disc/ImageError.h"
#include "platform/Process.h"
#include "tools/SampleImage.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace disctest {

// Not a multiple of a sector, and long enough for many CHD hunks.
inline constexpr std::size_t ArchiveBytes = 3 * 1024 * 1024 + 777;

// `v` as `n` big-endian bytes, as Nero's chunks hold their numbers.
inline std::string be(std::uint64_t v, std::size_t n)
{
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        out[n - 1 - i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

inline std::string bytesOf(hotaru::disc::ArchiveReader& r, std::int64_t offset, std::size_t n)
{
    std::string out(n, '\0');
    r.read(offset, out.data(), n);
    return out;
}

// Reads the whole archive in uneven pieces, as the copy's slices do.
inline std::string readAll(hotaru::disc::ArchiveReader& r, std::size_t piece = 100'003)
{
    std::string out;
    for (std::int64_t at = 0; at < r.size();) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(piece, r.size() - at));
        out += bytesOf(r, at, n);
        at += static_cast<std::int64_t>(n);
    }
    return out;
}

// A real file whose reads from other threads than the opener's (the read
// ahead's) are held for `lag`, or until `release`.
class SlowFile : public hotaru::disc::BlockSource {
public:
    SlowFile(std::unique_ptr<BlockSource> real, std::chrono::milliseconds lag) : real_(std::move(real)), lag_(lag) {}
    const std::string& path() const override { return real_->path(); }
    std::int64_t size() const override { return real_->size(); }
    void readAt(std::int64_t offset, void* buffer, std::size_t n) override
    {
        const auto until = std::chrono::steady_clock::now() + lag_;
        if (std::this_thread::get_id() != opener_) {
            ++held;
            while (!release && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        real_->readAt(offset, buffer, n);
    }
    std::atomic<int> held{0};
    std::atomic<bool> release{false};

private:
    std::unique_ptr<BlockSource> real_;
    std::chrono::milliseconds lag_;
    std::thread::id opener_ = std::this_thread::get_id();
};

// Opens every file as a SlowFile; `last` is the last one opened (a sheet's track file).
inline hotaru::disc::ReadOptions slowAhead(std::chrono::milliseconds lag, SlowFile** last = nullptr)
{
    hotaru::disc::ReadOptions options;
    options.openFile = [lag, last](const std::string& path) -> std::unique_ptr<hotaru::disc::BlockSource> {
        auto f = std::make_unique<SlowFile>(hotaru::disc::openFileSource(path), lag);
        if (last)
            *last = f.get();
        return f;
    };
    return options;
}

// Overwrites bytes of a file in place.
inline void patch(const std::string& path, std::int64_t at, const std::string& bytes)
{
    std::fstream f(fsPath(path), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Whether a missing tool fails a case instead of skipping it. Never under
// Wine, where the host's tools cannot be started.
// Leaves the case when `have` is false: skipped, or failed where tools are required.
#define DISC_NEEDS_TOOL(have, why)                                                                                     \
    do {                                                                                                               \
        if (!(have)) {                                                                                                 \
            SKIP_UNLESS_REQUIRED(why);                                                                                 \
        }                                                                                                              \
    } while (false)
#define NEEDS_XORRISO() DISC_NEEDS_TOOL(haveXorriso(), "xorriso is not installed (scripts/setup.sh installs it)")
#define NEEDS_CHDMAN() DISC_NEEDS_TOOL(needChdman(), "chdman is not installed (scripts/setup.sh installs mame-tools)")

// Runs a tool; true when it ended with 0.
inline bool run(const std::string& program, const std::vector<std::string>& args)
{
    const hotaru::ProgramRun r = hotaru::runProgram(program, args, {}, [] { return false; });
    return r.started && r.exitedNormally && r.exitCode == 0;
}

class DiscImages : public ::testing::Test {
protected:
    static inline std::filesystem::path folder;
    static inline std::string archiveBytes;
    static inline std::string archive;
    static inline std::string xorriso, chdman;
    static inline std::string chd;  // made once: chdman is slow

    static void SetUpTestSuite()
    {
        folder = freshScratchFolder("hotaru-disc");
        archiveBytes = patterned(ArchiveBytes, 11);
        archive = utf8Path(folder / "hotaru4");
        writeFile(archive, archiveBytes);
#ifndef _WIN32
        // Under Wine the host's tools are seen on PATH but cannot be started.
        xorriso = hotaru::programOnPath("xorriso");
        chdman = hotaru::programOnPath("chdman");
#endif
        if (!chdman.empty()) {
            chd = utf8Path(folder / "disc.chd");
            hotaru::writeChd(archive, chd);
        }
    }
    static void TearDownTestSuite()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::filesystem::path dir;
    void SetUp() override { dir = freshScratchFolder("hotaru-disc-case"); }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string file(const std::string& name) const { return utf8Path(dir / fsPath(name)); }

    // The fault with which `name`, written with `bytes`, is refused when
    // opened (its message into `message`); the case fails when it opens.
    hotaru::disc::ImageFault refusalOf(const std::string& name, const std::string& bytes,
                                       std::string* message = nullptr)
    {
        writeFile(file(name), bytes);
        try {
            hotaru::disc::openArchive(file(name));
        } catch (const hotaru::disc::ImageError& e) {
            if (message)
                *message = e.what();
            return e.fault();
        }
        ADD_FAILURE() << name << " opened";
        return hotaru::disc::ImageFault::NoArchive;
    }

    // For NEEDS_XORRISO and NEEDS_CHDMAN: GTEST_SKIP in a helper would only leave the helper.
    bool haveXorriso() const { return !xorriso.empty(); }
    bool needChdman() const { return !chdman.empty(); }

    // An ISO made by xorriso from a folder holding the archive as `name`,
    // after `otherFiles` empty files named to sort before it (f000 on).
    std::string xorrisoIso(const std::string& image, const std::vector<std::string>& options,
                           const std::string& name = "hotaru4", int otherFiles = 0)
    {
        const std::filesystem::path tree = dir / "tree";
        std::filesystem::create_directories(tree);
        writeFile(utf8Path(tree / fsPath(name)), archiveBytes);
        for (int n = 0; n < otherFiles; ++n) {
            char other[16];
            std::snprintf(other, sizeof other, "f%03d", n);
            writeFile(utf8Path(tree / other), {});
        }
        std::vector<std::string> args{"-as", "mkisofs", "-quiet", "-o", file(image)};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(utf8Path(tree));
        EXPECT_TRUE(run(xorriso, args));
        std::filesystem::remove_all(tree);
        return file(image);
    }
};

}  // namespace disctest
