// A stand-in converter for the Windows suite. It takes its arguments from the
// wide command line, so Japanese names arrive intact, and records in
// converter.log (UTF-8, in its working folder) what it was given. What it
// does is chosen by HOTARU_FAKE_CONVERTER: copy (default), fail, slow.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const std::wstring& w)
{
    if (w.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring mode()
{
    wchar_t buf[64] = {};
    const DWORD n = GetEnvironmentVariableW(L"HOTARU_FAKE_CONVERTER", buf, 64);
    return n > 0 && n < 64 ? std::wstring(buf, n) : L"copy";
}

void writeLog(int argc, wchar_t** argv)
{
    wchar_t cwd[MAX_PATH * 2] = {};
    GetCurrentDirectoryW(MAX_PATH * 2, cwd);
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    GetStartupInfoW(&si);

    std::string log = "argc=" + std::to_string(argc - 1) + "\n";
    for (int i = 1; i < argc; ++i)
        log += "arg=" + utf8(argv[i]) + "\n";
    log += "cwd=" + utf8(cwd) + "\n";
    log += "line=" + utf8(GetCommandLineW()) + "\n";
    log += "program=" + utf8(self) + "\n";
    log += "flags=" + std::to_string(si.dwFlags) + " show=" + std::to_string(si.wShowWindow) + "\n";
    if (FILE* f = _wfopen(L"converter.log", L"ab")) {
        std::fwrite(log.data(), 1, log.size(), f);
        std::fclose(f);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    writeLog(argc, argv);
    if (argc != 3)
        return 2;
    const std::wstring m = mode();
    if (m == L"fail")
        return 1;
    if (m == L"slow")
        Sleep(60000);

    FILE* in = _wfopen(argv[1], L"rb");
    if (!in)
        return 3;
    FILE* out = _wfopen(argv[2], L"wb");
    if (!out) {
        std::fclose(in);
        return 4;
    }
    std::fputs("AVI:", out);
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;)
        std::fwrite(buf, 1, n, out);
    std::fclose(in);
    return std::fclose(out) == 0 ? 0 : 4;
}
