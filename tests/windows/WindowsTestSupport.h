#pragma once
// Scratch folders and file helpers for the Windows suite. Everything goes
// through the wide API, so a name means exactly its UTF-16 form.

#include "File.h"
#include "Utf16.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>
#include <string>

namespace wintest {

inline std::string lastErrorText(const char* what)
{
    return std::string(what) + " failed with " + std::to_string(GetLastError());
}

inline void makeFolder(const std::string& path)
{
    ASSERT_TRUE(CreateDirectoryW(hotaru::widen(path).c_str(), nullptr)) << lastErrorText("CreateDirectoryW") << ": " << path;
}

inline void writeAll(const std::string& path, const std::string& bytes)
{
    hotaru::removeFile(path);
    hotaru::File f = hotaru::File::createNew(path);
    f.writeExact(bytes.data(), bytes.size());
    f.close();
}

inline std::string readAll(const std::string& path)
{
    hotaru::File f = hotaru::File::openRead(path);
    std::string bytes(static_cast<std::size_t>(f.size()), '\0');
    f.readExact(bytes.data(), bytes.size());
    return bytes;
}

// The names in a folder as the system lists them.
inline std::set<std::string> names(const std::string& folder)
{
    std::set<std::string> out;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(hotaru::widen(hotaru::joinPath(folder, "*")).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    do {
        const std::wstring n = data.cFileName;
        if (n != L"." && n != L"..")
            out.insert(hotaru::narrow(n));
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return out;
}

// The folder of the running test program, where the stand-in converter lies.
inline std::string programFolder()
{
    wchar_t buf[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    std::wstring p(buf, n);
    return hotaru::narrow(p.substr(0, p.find_last_of(L'\\')));
}

// A fresh folder per test under the system's temporary folder; `label` becomes
// part of its name, so a test can ask for blanks and Japanese in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& label = "hotaru")
    {
        wchar_t tmp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, tmp);
        // A fresh Wine prefix names a temporary folder that it has not made yet.
        CreateDirectoryW(tmp, nullptr);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = hotaru::joinPath(hotaru::narrow(tmp), label + " " + std::to_string(GetCurrentProcessId()) + " " +
                                                          (info ? info->name() : "suite"));
        std::filesystem::remove_all(std::filesystem::path(hotaru::widen(path_)));
        makeFolder(path_);
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(hotaru::widen(path_)), ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return hotaru::joinPath(path_, name); }

private:
    std::string path_;
};

}  // namespace wintest
