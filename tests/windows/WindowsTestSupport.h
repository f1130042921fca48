#pragma once
// What only the Windows suite needs beside tests/common: the system's own
// error text and the folder of the running program.

#include "platform/Utf16.h"

#include <windows.h>

#include <string>

namespace wintest {

inline std::string lastErrorText(const char* what)
{
    return std::string(what) + " failed with " + std::to_string(GetLastError());
}

// The folder of the running test program, where the stand-in converter lies.
inline std::string programFolder()
{
    wchar_t buf[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    std::wstring p(buf, n);
    return hotaru::narrow(p.substr(0, p.find_last_of(L'\\')));
}

}  // namespace wintest
