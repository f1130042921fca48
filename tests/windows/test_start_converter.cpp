// Starting the converter through CreateProcessW: the stand-in converter, built
// beside this suite, is copied into a folder whose path has blanks and reports
// what it received.
#include "Converter.h"
#include "File.h"
#include "Process.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>

using namespace hotaru;

namespace {

class StartConverter : public ::testing::Test {
protected:
    wintest::ScratchFolder dir{"hotaru 変換"};
    std::string programs = dir.file("Program Files");
    std::string converter = joinPath(joinPath(programs, "ACPK2AVI"), "ACPK2AVI.exe");
    std::string work = dir.file("出力 表");
    std::string title = "ソナタの調べ 表";

    void SetUp() override
    {
        wintest::makeFolder(programs);
        wintest::makeFolder(joinPath(programs, "ACPK2AVI"));
        wintest::makeFolder(work);
        const std::string built = joinPath(wintest::programFolder(), "test_converter.exe");
        ASSERT_TRUE(CopyFileW(widen(built).c_str(), widen(converter).c_str(), TRUE))
            << wintest::lastErrorText("CopyFileW") << ": " << built;
        SetEnvironmentVariableW(L"HOTARU_FAKE_CONVERTER", nullptr);
    }
    void TearDown() override { SetEnvironmentVariableW(L"HOTARU_FAKE_CONVERTER", nullptr); }

    static void mode(const wchar_t* m) { SetEnvironmentVariableW(L"HOTARU_FAKE_CONVERTER", m); }
    std::string log() const
    {
        const std::string p = joinPath(work, "converter.log");
        return isRegularFile(p) ? wintest::readAll(p) : std::string();
    }
};

}  // namespace

TEST_F(StartConverter, GetsTwoQuotedNamesHiddenInTheOutputFolder)
{
    // Were the path split at its first blank, this decoy would run instead.
    const std::wstring decoy = widen(converter.substr(0, converter.find(' ')) + ".exe");
    ASSERT_TRUE(CopyFileW(widen(converter).c_str(), decoy.c_str(), FALSE));
    wintest::writeAll(joinPath(work, title + ".cpk"), "movie");
    const std::vector<std::string> args{title + ".cpk", title + ".avi"};

    const ProgramRun r = runProgram(converter, args, work, {});
    DeleteFileW(decoy.c_str());
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.exitedNormally);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(log(), "argc=2\narg=" + args[0] + "\narg=" + args[1] + "\ncwd=" + work +
                         "\nline=\"" + converter + "\" \"" + args[0] + "\" \"" + args[1] + "\"\nprogram=" + converter +
                         "\nflags=" + std::to_string(STARTF_USESHOWWINDOW) + " show=" + std::to_string(SW_HIDE) + "\n");
    EXPECT_EQ(wintest::readAll(joinPath(work, title + ".avi")), "AVI:movie");
}

TEST_F(StartConverter, ExitCodeIsSeenAndAMissingProgramDoesNotStart)
{
    mode(L"fail");
    ProgramRun r = runProgram(converter, {"a.cpk", "a.avi"}, work, {});
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.exitedNormally);
    EXPECT_EQ(r.exitCode, 1);

    mode(L"copy");
    r = runProgram(converter, {"only one"}, work, {});
    EXPECT_EQ(r.exitCode, 2);

    r = runProgram(joinPath(programs, "ACPK2AVI\\none.exe"), {"a.cpk", "a.avi"}, work, {});
    EXPECT_FALSE(r.started);
    EXPECT_FALSE(r.exitedNormally);
    r = runProgram(converter, {"a.cpk", "a.avi"}, dir.file("no such folder"), {});
    EXPECT_FALSE(r.started);
}

TEST_F(StartConverter, StopEndsTheConverterPromptly)
{
    mode(L"slow");
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun r = runProgram(converter, {"a.cpk", "a.avi"}, work, [&] {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(500);
    });
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.exitedNormally);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(StartConverter, ConversionDeletesTheCpkOnlyOnSuccess)
{
    const std::string cpk = joinPath(work, title + ".cpk");
    const std::string avi = joinPath(work, title + ".avi");
    wintest::writeAll(cpk, "movie bytes");
    EXPECT_EQ(convertMovie({converter, work, title}), ConversionOutcome::Converted);
    EXPECT_EQ(wintest::names(work), (std::set<std::string>{"converter.log", title + ".avi"}));
    EXPECT_EQ(wintest::readAll(avi), "AVI:movie bytes");

    removeFile(avi);
    wintest::writeAll(cpk, "movie bytes");
    mode(L"fail");
    EXPECT_EQ(convertMovie({converter, work, title}), ConversionOutcome::Failed);
    EXPECT_EQ(wintest::names(work), (std::set<std::string>{"converter.log", title + ".cpk"}));
}

TEST_F(StartConverter, EmptyFolderMeansTheCurrentOne)
{
    const std::string before = currentDirectory();
    setCurrentDirectory(work);
    wintest::writeAll(title + ".cpk", "movie");
    const ConversionOutcome outcome = convertMovie({converter, "", title});
    setCurrentDirectory(before);
    EXPECT_EQ(outcome, ConversionOutcome::Converted);
    EXPECT_EQ(wintest::names(work), (std::set<std::string>{"converter.log", title + ".avi"}));
}
