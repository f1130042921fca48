#include "platform/File.h"
#include "platform/InOutError.h"
#include "platform/Utf16.h"

#include <windows.h>

namespace hotaru {

std::wstring widen(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& utf16)
{
    if (utf16.empty())
        return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr, nullptr);
    return out;
}

namespace {

[[noreturn]] void fail(const std::string& path, DWORD err = GetLastError())
{
    throw EInOutError(static_cast<int>(err), path, static_cast<int>(err));
}

HANDLE h(void* p) { return static_cast<HANDLE>(p); }

// ReadFile and WriteFile take a 32-bit count: larger transfers go in steps of 1 GiB.
constexpr DWORD MaxStep = 0x40000000;

// Moves all n bytes through `call` (ReadFile or WriteFile), which may move
// fewer at a time; a call that moves nothing ends with `nothingMoved`.
template <typename Byte, typename Call>
void moveExactly(Byte* p, std::size_t n, int nothingMoved, const std::string& path, Call call)
{
    while (n > 0) {
        DWORD moved = 0;
        const DWORD want = n > MaxStep ? MaxStep : static_cast<DWORD>(n);
        if (!call(p, want, &moved))
            fail(path);
        if (moved == 0)
            throw EInOutError(nothingMoved, path);
        p += moved;
        n -= moved;
    }
}

}  // namespace

File::~File()
{
    if (handle_)
        CloseHandle(h(handle_));
}

File::File(File&& other) noexcept : path_(std::move(other.path_)), handle_(other.handle_) { other.handle_ = nullptr; }

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        if (handle_)
            CloseHandle(h(handle_));
        path_ = std::move(other.path_);
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

File File::openRead(const std::string& path)
{
    File f;
    f.path_ = path;
    HANDLE hf = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (hf == INVALID_HANDLE_VALUE)
        fail(path);
    f.handle_ = hf;
    // A pipe or a console would be read as a stream that may never end.
    if (GetFileType(hf) != FILE_TYPE_DISK)
        throw EInOutError(io::NotAFile, path);
    return f;
}

File File::createNew(const std::string& path)
{
    File f;
    f.path_ = path;
    // Shared for writing too: a TempFile's writer may open it by name (the
    // converter hands it to FFmpeg), as it can on POSIX.
    HANDLE hf = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hf == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        fail(path, err == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : err);
    }
    f.handle_ = hf;
    return f;
}

File File::openReadWrite(const std::string& path)
{
    File f;
    f.path_ = path;
    HANDLE hf = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hf == INVALID_HANDLE_VALUE)
        fail(path);
    f.handle_ = hf;
    if (GetFileType(hf) != FILE_TYPE_DISK)
        throw EInOutError(io::NotAFile, path);
    return f;
}

std::int64_t File::size()
{
    LARGE_INTEGER s;
    if (!GetFileSizeEx(h(handle_), &s))
        fail(path_);
    return s.QuadPart;
}

void File::seek(std::int64_t offset)
{
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (!SetFilePointerEx(h(handle_), to, nullptr, FILE_BEGIN))
        fail(path_);
}

void File::readExact(void* buffer, std::size_t n)
{
    moveExactly(static_cast<char*>(buffer), n, io::ReadPastEnd, path_,
                [this](char* p, DWORD k, DWORD* moved) { return ReadFile(h(handle_), p, k, moved, nullptr); });
}

void File::readAt(std::int64_t offset, void* buffer, std::size_t n)
{
    moveExactly(static_cast<char*>(buffer), n, io::ReadPastEnd, path_, [this, &offset](char* p, DWORD k, DWORD* moved) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        if (!ReadFile(h(handle_), p, k, moved, &at)) {
            // Past the end a positioned read fails instead of returning nothing.
            if (GetLastError() != ERROR_HANDLE_EOF)
                return FALSE;
            *moved = 0;
        }
        offset += *moved;
        return TRUE;
    });
}

void File::writeExact(const void* buffer, std::size_t n)
{
    moveExactly(static_cast<const char*>(buffer), n, io::ShortWrite, path_,
                [this](const char* p, DWORD k, DWORD* moved) { return WriteFile(h(handle_), p, k, moved, nullptr); });
}

void File::flushToDisk()
{
    if (!FlushFileBuffers(h(handle_)))
        fail(path_);
}

void File::close()
{
    HANDLE hf = h(handle_);
    handle_ = nullptr;
    if (hf && !CloseHandle(hf))
        fail(path_);
}

void replaceFile(const std::string& from, const std::string& to)
{
    if (!MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail(to);
}

bool removeFile(const std::string& path) noexcept { return DeleteFileW(widen(path).c_str()) != 0; }

bool isReadOnlyFile(const std::string& path) noexcept
{
    const DWORD a = GetFileAttributesW(widen(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0 && (a & FILE_ATTRIBUTE_READONLY) != 0;
}

bool isRegularFile(const std::string& path) noexcept
{
    WIN32_FIND_DATAW data;
    HANDLE hf = FindFirstFileW(widen(path).c_str(), &data);
    if (hf == INVALID_HANDLE_VALUE)
        return false;
    FindClose(hf);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool isExecutableFile(const std::string& path) noexcept { return isRegularFile(path); }

FileStamp fileStamp(const std::string& path) noexcept
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    const auto size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const auto written =
        (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return {true, size, written};
}

std::string currentDirectory()
{
    // Another thread may change the directory between asking its length and reading it.
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
        if (got == 0)
            fail(".");
        if (got < buf.size()) {
            buf.resize(got);
            return narrow(buf);
        }
        buf.resize(got + 1);
    }
}

void setCurrentDirectory(const std::string& path)
{
    if (!SetCurrentDirectoryW(widen(path).c_str()))
        fail(path);
}

}  // namespace hotaru
