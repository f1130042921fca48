#pragma once
// File helpers the core and window suites share: whole files read and
// written, folder listings, comparing a copy with its range of the archive, a
// disk that fills up, and files the user may not touch.
//
// Paths are UTF-8 strings, the form the core takes, on every system: on
// Windows a std::string would otherwise go through the ANSI code page.

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

inline std::filesystem::path fsPath(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8Path(const std::filesystem::path& path)
{
    const std::u8string s = path.u8string();
    return {s.begin(), s.end()};
}

// The whole file; empty when it cannot be read.
inline std::string readFile(const std::string& path)
{
    std::ifstream in(fsPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Up to n bytes of the file from `offset` on.
inline std::string readPart(const std::string& path, std::int64_t offset, std::size_t n)
{
    std::ifstream in(fsPath(path), std::ios::binary);
    in.seekg(offset);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// Makes the file hold exactly `bytes`.
inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(fsPath(path), std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::uintmax_t fileSize(const std::string& path) { return std::filesystem::file_size(fsPath(path)); }

// The names in a folder as the system lists them, for spotting stray files.
inline std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(fsPath(folder)))
        names.insert(utf8Path(e.path().filename()));
    return names;
}

// Bytes that differ at every position, so a shifted or short copy shows.
inline std::string patterned(std::size_t n, unsigned seed = 7)
{
    std::string bytes(n, '\0');
    std::uint32_t x = seed * 2654435761u + 1;  // Knuth's multiplicative hash spreads the seeds
    for (char& c : bytes) {
        x ^= x << 13;  // xorshift32
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return bytes;
}

// True when `file` holds exactly bytes offset..offset+size-1 of `archive`.
inline bool sameAsRange(const std::string& file, const std::string& archive, std::int64_t offset, std::int64_t size)
{
    std::error_code ec;
    std::ifstream a(fsPath(archive), std::ios::binary);
    std::ifstream f(fsPath(file), std::ios::binary);
    if (!a || !f || static_cast<std::int64_t>(std::filesystem::file_size(fsPath(file), ec)) != size)
        return false;
    a.seekg(offset);
    std::vector<char> x(1 << 20), y(1 << 20);
    for (std::int64_t left = size; left > 0;) {
        const auto n = static_cast<std::streamsize>(std::min<std::int64_t>(left, std::ssize(x)));
        if (!a.read(x.data(), n) || !f.read(y.data(), n) || !std::equal(x.begin(), x.begin() + n, y.begin()))
            return false;
        left -= n;
    }
    return true;
}

#ifndef _WIN32
// Caps the size of any file this process writes, as a full disk would; writes
// past it fail instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    // `ignoreSignal` false: SIGXFSZ keeps its default action (ending the
    // process), as a caller that never set it hands it on.
    explicit FileSizeLimit(rlim_t bytes, bool ignoreSignal = true)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, ignoreSignal ? SIG_IGN : SIG_DFL);
        rlimit lower = saved_;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};
#endif

// Gives a file or folder `mode` for one scope, then its old mode back, so the
// scratch folder can still be removed when a check fails. On Windows only the
// write permission counts: it is the read-only mark.
class ModeScope {
public:
    ModeScope(std::filesystem::path path, std::filesystem::perms mode)
        : path_(std::move(path)), saved_(std::filesystem::status(path_).permissions())
    {
        std::filesystem::permissions(path_, mode);
    }
    ~ModeScope()
    {
        std::error_code ec;
        std::filesystem::permissions(path_, saved_, ec);
    }
    ModeScope(const ModeScope&) = delete;
    ModeScope& operator=(const ModeScope&) = delete;

private:
    std::filesystem::path path_;
    std::filesystem::perms saved_;
};

inline constexpr auto ReadOnlyFile =
    std::filesystem::perms::owner_read | std::filesystem::perms::group_read | std::filesystem::perms::others_read;
inline constexpr auto ReadOnlyFolder = ReadOnlyFile | std::filesystem::perms::owner_exec |
                                       std::filesystem::perms::group_exec | std::filesystem::perms::others_exec;

#ifndef _WIN32
// Root reads, writes and enters whatever the modes say: such checks need another user.
inline bool runningAsRoot() { return ::geteuid() == 0; }
#endif
