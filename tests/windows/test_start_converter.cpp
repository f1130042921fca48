// Starting the converter through CreateProcessW: the stand-in converter, built
// beside this suite, is copied into a folder whose path has blanks and reports
// what it received.
#include "WindowsTestSupport.h"
#include "extract/Converter.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "platform/Utf16.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>

using namespace hotaru;

namespace {

class StartConverter : public ScratchDirTest {
protected:
    StartConverter() : ScratchDirTest("hotaru 変換") {}

    std::string programs;
    std::string converter;
    std::string work;
    std::string title = "ソナタの調べ 表";

    void SetUp() override
    {
        ScratchDirTest::SetUp();
        programs = file("Program Files");
        converter = joinPath(joinPath(programs, "ACPK2AVI"), "ACPK2AVI.exe");
        work = file("出力 表");
        std::filesystem::create_directories(fsPath(joinPath(programs, "ACPK2AVI")));
        std::filesystem::create_directory(fsPath(work));
        const std::string built = joinPath(wintest::programFolder(), "test_converter.exe");
        ASSERT_TRUE(CopyFileW(widen(built).c_str(), widen(converter).c_str(), TRUE))
            << wintest::lastErrorText("CopyFileW") << ": " << built;
        SetEnvironmentVariableW(L"HOTARU_FAKE_CONVERTER", nullptr);
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"HOTARU_FAKE_CONVERTER", nullptr);
        ScratchDirTest::TearDown();
    }

    static void mode(const wchar_t* m) { SetEnvironmentVariableW(L"HOTARU_FAKE_CONVERTER", m); }
    std::string log() const
    {
        const std::string p = joinPath(work, "converter.log");
        return readFile(p);
    }
};

}  // namespace

TEST_F(StartConverter, GetsTwoQuotedNamesHiddenInTheOutputFolder)
{
    // Were the path split at its first blank, this decoy would run instead.
    const std::wstring decoy = widen(converter.substr(0, converter.find(' ')) + ".exe");
    ASSERT_TRUE(CopyFileW(widen(converter).c_str(), decoy.c_str(), FALSE));
    writeFile(joinPath(work, title + ".cpk"), "movie");
    const std::vector<std::string> args{title + ".cpk", title + ".avi"};

    const ProgramRun r = runProgram(converter, args, work, {});
    DeleteFileW(decoy.c_str());
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.exitedNormally);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(log(), "argc=2\narg=" + args[0] + "\narg=" + args[1] + "\ncwd=" + work + "\nline=\"" + converter +
                         "\" \"" + args[0] + "\" \"" + args[1] + "\"\nprogram=" + converter +
                         "\nflags=" + std::to_string(STARTF_USESHOWWINDOW) + " show=" + std::to_string(SW_HIDE) + "\n");
    EXPECT_EQ(readFile(joinPath(work, title + ".avi")), "AVI:movie");
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
    r = runProgram(converter, {"a.cpk", "a.avi"}, file("no such folder"), {});
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
    writeFile(cpk, "movie bytes");
    EXPECT_EQ(convertMovie({converter, work, title}), ConversionOutcome::Converted);
    EXPECT_EQ(namesIn(work), (std::set<std::string>{"converter.log", title + ".avi"}));
    EXPECT_EQ(readFile(avi), "AVI:movie bytes");

    removeFile(avi);
    writeFile(cpk, "movie bytes");
    mode(L"fail");
    EXPECT_EQ(convertMovie({converter, work, title}), ConversionOutcome::Failed);
    EXPECT_EQ(namesIn(work), (std::set<std::string>{"converter.log", title + ".cpk"}));
}

TEST_F(StartConverter, AnEmptyFolderRunsNothingWhereverTheProcessIs)
{
    const std::string before = currentDirectory();
    setCurrentDirectory(work);
    writeFile(title + ".cpk", "movie");
    const ConversionOutcome outcome = convertMovie({converter, "", title});
    setCurrentDirectory(before);
    EXPECT_EQ(outcome, ConversionOutcome::Failed);
    EXPECT_EQ(namesIn(work), std::set<std::string>{title + ".cpk"});
}
