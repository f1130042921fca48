#pragma once
// A GoogleTest fixture with a fresh folder of its own per test, removed afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

class ScratchDirTest : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("hotaru-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
};
