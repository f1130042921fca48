#pragma once
// File checks the core and window suites share: comparing a copy with its
// range of the archive, a disk that fills up, and files the user may not touch.

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

// True when `file` holds exactly bytes offset..offset+size-1 of `archive`.
inline bool sameAsRange(const std::string& file, const std::string& archive, std::int64_t offset, std::int64_t size)
{
    std::error_code ec;
    std::ifstream a(archive, std::ios::binary);
    std::ifstream f(file, std::ios::binary);
    if (!a || !f || static_cast<std::int64_t>(std::filesystem::file_size(file, ec)) != size)
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
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
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
// scratch folder can still be removed when a check fails.
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

inline constexpr auto ReadOnlyFolder = std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                       std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                       std::filesystem::perms::others_read | std::filesystem::perms::others_exec;

#ifndef _WIN32
// Root reads, writes and enters whatever the modes say: such checks need another user.
inline bool runningAsRoot() { return ::geteuid() == 0; }
#endif
