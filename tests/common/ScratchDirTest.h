#pragma once
// A GoogleTest fixture with a fresh folder of its own per test, removed
// afterwards, and the same kind of folder for a whole suite.

#include "FileChecks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

// The system's temporary folder. A fresh Wine prefix names one that it has
// not made yet, so on Windows it is made here.
inline std::filesystem::path systemTempFolder()
{
#ifdef _WIN32
    wchar_t tmp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, tmp);
    std::filesystem::create_directories(tmp);
    return tmp;
#else
    return std::filesystem::temp_directory_path();
#endif
}

// A fresh, empty folder in the temporary folder, named after `label`, this
// process and the running test ("suite" outside one).
inline std::filesystem::path freshScratchFolder(const std::string& label)
{
#ifdef _WIN32
    const auto process = GetCurrentProcessId();
#else
    const auto process = ::getpid();
#endif
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = label + "-" + std::to_string(process) + "-" + (test ? test->name() : "suite");
    const std::filesystem::path dir = systemTempFolder() / fsPath(name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

class ScratchDirTest : public ::testing::Test {
protected:
    // `label` starts the folder's name, so a test can ask for blanks and Japanese in it.
    explicit ScratchDirTest(std::string label = "hotaru") : label_(std::move(label)) {}

    std::filesystem::path dir;

    void SetUp() override { dir = freshScratchFolder(label_); }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // A path in the folder, as the core takes it.
    std::string file(const std::string& name) const { return utf8Path(dir / fsPath(name)); }
    std::set<std::string> names() const { return namesIn(utf8Path(dir)); }

private:
    std::string label_;
};
