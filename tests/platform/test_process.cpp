// Starting a program: the command line Windows gets, and on POSIX the
// program itself (tests/windows starts it through CreateProcessW).
#include "platform/Process.h"

#include <gtest/gtest.h>

using namespace hotaru;

TEST(CommandLine, ProgramAndNamesAreEachQuotedOnce)
{
    EXPECT_EQ(
        windowsCommandLine("C:\\Program Files\\ACPK2AVI\\ACPK2AVI.exe",
                           {"スタッフロール 其の一.cpk", "スタッフロール 其の一.avi"}),
        "\"C:\\Program Files\\ACPK2AVI\\ACPK2AVI.exe\" \"スタッフロール 其の一.cpk\" \"スタッフロール 其の一.avi\"");
    EXPECT_EQ(windowsCommandLine("a", {}), "\"a\"");
}

#ifndef _WIN32
#include "extract/TaskThread.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace fs = std::filesystem;

class ProcessTest : public ScratchDirTest {
protected:
    ProcessTest() : ScratchDirTest("hotaru process") {}

    std::string converter;
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        fs::create_directories(dir / "with spaces");
        converter = (dir / "with spaces" / "ACPK2AVI").string();
        fs::copy_file(FAKE_CONVERTER, converter);
        ::unsetenv("HOTARU_FAKE_CONVERTER");
    }
    void TearDown() override
    {
        ::unsetenv("HOTARU_FAKE_CONVERTER");
        ScratchDirTest::TearDown();
    }
    std::string log() const { return readFile(file("converter.log")); }
};

TEST_F(ProcessTest, RunsInTheGivenFolderWithExactlyItsArguments)
{
    writeFile(file("表の題 1.cpk"), "movie");
    const ProgramRun r = runProgram(converter, {"表の題 1.cpk", "表の題 1.avi"}, dir.string(), {});
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.exitedNormally);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(log(), "argc=2\ncwd=" + dir.string() + "\narg=表の題 1.cpk\narg=表の題 1.avi\nsched=0\n");
    EXPECT_EQ(readFile(file("表の題 1.avi")), "AVI:movie");
}

TEST_F(ProcessTest, AnIdleWorkerStartsTheProgramAtNormalPriorityThroughItsTaskThread)
{
    // The worker's order: its task thread first, then it lowers itself to idle,
    // which an ordinary user can never undo for itself or its children.
    ProgramRun r;
    int workerPolicy = -1;
    std::thread worker([&] {
        TaskThread normal;
        sched_param none{};
        if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &none) != 0)
            return;
        workerPolicy = sched_getscheduler(0);
        normal.run([&] { r = runProgram(converter, {"a.cpk", "a.avi"}, dir.string(), {}); });
    });
    worker.join();
    ASSERT_EQ(workerPolicy, SCHED_IDLE);
    EXPECT_TRUE(r.started);
    EXPECT_NE(log().find("sched=" + std::to_string(SCHED_OTHER) + "\n"), std::string::npos) << log();
}

TEST_F(ProcessTest, ExitCodesAndMissingProgramsAreSeen)
{
    ::setenv("HOTARU_FAKE_CONVERTER", "fail", 1);
    ProgramRun r = runProgram(converter, {"a.cpk", "a.avi"}, dir.string(), {});
    EXPECT_TRUE(r.started && r.exitedNormally);
    EXPECT_EQ(r.exitCode, 1);

    r = runProgram((dir / "no such program").string(), {"a.cpk", "a.avi"}, dir.string(), {});
    EXPECT_FALSE(r.started);
    // A path with blanks is never split: "with" is no program of its own.
    r = runProgram((dir / "with").string(), {}, dir.string(), {});
    EXPECT_FALSE(r.started);
}

TEST_F(ProcessTest, WaitingCostsNoCpuAndStopEndsTheProgramPromptly)
{
    ::setenv("HOTARU_FAKE_CONVERTER", "slow", 1);
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuBefore = std::clock();
    const ProgramRun r = runProgram(converter, {"a.cpk", "a.avi"}, dir.string(),
                                    [&] { return std::chrono::steady_clock::now() - start > std::chrono::seconds(1); });
    const double cpuSeconds = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.exitedNormally);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // A spinning wait would burn the whole second.
    EXPECT_LT(cpuSeconds, 0.2);
}
#endif
