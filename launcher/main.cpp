// hotaru-movie-cutter.com: the console side of the Windows program. The .exe
// is a window program, which a console neither waits for nor gives its exit
// code; this runs it on the console's handles and waits. When the arguments
// open the window (cli/RunKind.h), it only starts it and returns, as the .exe
// would.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "cli/RunKind.h"

#include <string>
#include <vector>

namespace {

// The .exe of the same name in the same folder.
std::wstring windowProgram()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t slash = path.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return {};
    return path.substr(0, dot) + L".exe";
}

// The command line after the program's own name, as the console gave it.
std::wstring argumentsOf(const wchar_t* line)
{
    const wchar_t* p = line;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"')
            ++p;
        if (*p)
            ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
    }
    return p;
}

// Whether the program runs on the console (--list, --extract, /?, a usage
// error), by the parser's own rule; only the window is not waited for.
bool runsOnTheConsole(const wchar_t* line)
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(line, &count);
    if (!args)
        return true;
    const std::vector<std::wstring> arguments(args, args + count);
    LocalFree(args);
    return !cli::opensWindow(arguments);
}

void say(const wchar_t* text)
{
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(err, &mode))
        WriteConsoleW(err, text, lstrlenW(text), &written, nullptr);
}

}  // namespace

int wmain()
{
    const std::wstring program = windowProgram();
    if (program.empty() || GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        say(L"hotaru-movie-cutter.com: hotaru-movie-cutter.exe is not beside it\r\n");
        return 1;
    }
    const wchar_t* line = GetCommandLineW();
    std::wstring command = L"\"" + program + L"\"" + argumentsOf(line);
    const bool wait = runsOnTheConsole(line);

    STARTUPINFOW start{};
    start.cb = sizeof start;
    if (wait) {
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, wait ? TRUE : FALSE, 0, nullptr, nullptr,
                        &start, &child)) {
        say(L"hotaru-movie-cutter.com: cannot start hotaru-movie-cutter.exe\r\n");
        return 1;
    }
    CloseHandle(child.hThread);
    DWORD code = 0;
    if (wait) {
        // Ctrl+C reaches the program on the same console, which stops its
        // run and says so; this waits for its word and its exit code.
        SetConsoleCtrlHandler(nullptr, TRUE);
        WaitForSingleObject(child.hProcess, INFINITE);
        if (!GetExitCodeProcess(child.hProcess, &code))
            code = 1;
    }
    CloseHandle(child.hProcess);
    return static_cast<int>(code);
}
