#include "platform/Process.h"
#include "platform/Utf16.h"

#include <windows.h>

namespace hotaru {

namespace {

constexpr DWORD PollMs = 100;
// How long to wait for a terminated program to be gone, and the exit code it gets.
constexpr DWORD EndWaitMs = 5000;
constexpr UINT StoppedExitCode = 1;

}  // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                      const std::function<bool()>& stopRequested, const std::string& outputFile)
{
    ProgramRun run;
    STARTUPINFOW si;
    GetStartupInfoW(&si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    // The output file is handed down to the program as its standard output and error.
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!outputFile.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        output = CreateFileW(widen(outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE)
            return run;
        si.dwFlags |= STARTF_USESTDHANDLES;
        si.hStdInput = nullptr;
        si.hStdOutput = output;
        si.hStdError = output;
    }
    PROCESS_INFORMATION pi{};
    std::wstring line = widen(windowsCommandLine(program, args));
    const std::wstring dir = widen(workDir);
    const std::wstring app = widen(program);
    // Naming the program as well as quoting it leaves no room to start another.
    const BOOL started = CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, output != INVALID_HANDLE_VALUE, 0,
                                        nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &pi);
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    if (!started)
        return run;
    run.started = true;
    for (;;) {
        if (stopRequested && stopRequested()) {
            TerminateProcess(pi.hProcess, StoppedExitCode);
            WaitForSingleObject(pi.hProcess, EndWaitMs);
            run.stopped = true;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, PollMs) != WAIT_TIMEOUT)
            break;
    }
    DWORD code = 0;
    if (!run.stopped && GetExitCodeProcess(pi.hProcess, &code)) {
        run.exitedNormally = true;
        run.exitCode = static_cast<int>(code);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return run;
}

}  // namespace hotaru
