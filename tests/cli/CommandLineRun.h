#pragma once
// The real program run on stand-in archives in a scratch folder, with an
// output folder of its own.
#include "FileChecks.h"
#include "ProgramRun.h"
#include "ScratchDirTest.h"

#include "catalogue/Catalogue.h"
#include "tools/SampleArchive.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace clitest {

inline std::string title(int disc, int movie) { return std::string(hotaru::movieTitle(disc, movie)); }
// What an English run shows of it.
inline std::string englishTitle(int disc, int movie) { return std::string(hotaru::movieEnglishTitle(disc, movie)); }

// Columns on a terminal for the catalogue's texts: ASCII takes one, and each
// of their other characters (kana, kanji, full-width letters) two.
inline std::size_t terminalWidth(const std::string& utf8)
{
    std::size_t width = 0;
    for (const unsigned char c : utf8)
        width += c < 0x80 ? 1 : c >= 0xC0 ? 2 : 0;
    return width;
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

inline std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace clitest

using namespace clitest;

class CommandLineRun : public ScratchDirTest {
protected:
    fs::path out;

    void SetUp() override
    {
        ScratchDirTest::SetUp();
        out = dir / "out";
        fs::create_directory(out);
    }

    std::string archive(int disc, const std::string& clips = {})
    {
        const fs::path path = dir / ("disc" + std::to_string(disc)) / "hotaru4";
        fs::create_directories(path.parent_path());
        hotaru::writeSampleArchive(path.string(), disc, hotaru::SampleFill::Stamped, clips);
        return path.string();
    }

    static ProgramOutcome cutter(std::vector<std::string> args, const ProgramSetup& setup = {})
    {
        args.insert(args.begin(), HOTARU_PROGRAM);
        return runProgram(args, setup);
    }

    std::string file(int movie, const char* extension = ".cpk") const
    {
        return (out / (title(1, movie) + extension)).string();
    }

    bool copied(const std::string& archivePath, int movie) const
    {
        return sameAsRange(file(movie), archivePath, hotaru::movieOffset(1, movie), hotaru::movieSize(1, movie));
    }

    std::set<std::string> namesInOut() const
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(out))
            names.insert(e.path().filename().string());
        return names;
    }
};
