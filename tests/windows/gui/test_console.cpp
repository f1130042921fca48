// Text the command line writes to a console arrives as its characters,
// whatever the console's code page; to a file it stays UTF-8.
#include "cli/Terminal.h"

#include <gtest/gtest.h>

#include <QString>

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The characters on the console from `at`, a full-width character counted once.
std::wstring shownFrom(HANDLE console, COORD at, DWORD cells)
{
    std::wstring raw(cells, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, raw.data(), cells, at, &read);
    raw.resize(read);
    std::wstring shown;
    for (const wchar_t c : raw)
        if (shown.empty() || shown.back() != c)
            shown += c;
    return shown;
}

}  // namespace

TEST(Console, JapaneseReachesTheConsoleWhateverItsCodePage)
{
    FreeConsole();
    if (!AllocConsole())
        GTEST_SKIP() << "no console to write to here";
    // The console's own stream, as a program started from it has for stdout.
    std::FILE* out = _wfopen(L"CONOUT$", L"w");
    ASSERT_NE(out, nullptr);
    SetConsoleOutputCP(437);  // a code page without Japanese
    // Another handle on the same screen, to read back what it shows.
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(console, INVALID_HANDLE_VALUE);
    CONSOLE_SCREEN_BUFFER_INFO before{};
    if (!GetConsoleScreenBufferInfo(console, &before)) {
        std::fclose(out);
        CloseHandle(console);
        FreeConsole();
        GTEST_SKIP() << "this console keeps no screen to read back (Wine without a display)";
    }

    cli::write(out, QStringLiteral("ホタル奇譚"));
    const std::wstring shown = shownFrom(console, before.dwCursorPosition, 10);
    std::fclose(out);
    CloseHandle(console);
    FreeConsole();
    EXPECT_EQ(shown.substr(0, 5), std::wstring(L"ホタル奇譚"));
}

TEST(Console, AFileGetsUtf8)
{
    wchar_t folder[MAX_PATH] = {}, name[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameW(folder, L"hmc", 0, name), 0u);
    std::FILE* file = _wfopen(name, L"wb");
    ASSERT_NE(file, nullptr);
    cli::write(file, QStringLiteral("ホタル"));
    std::fclose(file);
    file = _wfopen(name, L"rb");
    ASSERT_NE(file, nullptr);
    char bytes[32] = {};
    const std::size_t n = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    DeleteFileW(name);
    EXPECT_EQ(std::string(bytes, n), std::string("\xE3\x83\x9B\xE3\x82\xBF\xE3\x83\xAB"));
}
