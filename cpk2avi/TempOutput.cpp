#include "TempOutput.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hotaru {

namespace {

// The temporary a signal handler should remove; lock-free, so safe to read there.
std::atomic<const char*> activeTemp{nullptr};

[[noreturn]] void failOn(const std::string& path, int err)
{
    throw ConvertError("cannot write '" + path + "': " + std::strerror(err));
}

}  // namespace

TempOutput::TempOutput(std::string finalPath) : finalPath_(std::move(finalPath))
{
    for (int n = 1;; ++n) {
        path_ = finalPath_ + "~" + std::to_string(n) + ".tmp";
        // O_EXCL so two runs never share a temporary; 0666 lets the umask decide.
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            activeTemp.store(path_.c_str());
            return;
        }
        if (errno != EEXIST || n >= 1000) {
            const int err = errno;
            path_.clear();
            failOn(finalPath_, err);
        }
    }
}

TempOutput::~TempOutput()
{
    if (!committed_ && !path_.empty())
        ::unlink(path_.c_str());
    forget();
}

void TempOutput::commit()
{
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        failOn(finalPath_, errno);
    // Without the sync a crash right after the rename could leave an empty OUT.
    const int synced = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (synced != 0)
        failOn(finalPath_, err);
    if (std::rename(path_.c_str(), finalPath_.c_str()) != 0)
        failOn(finalPath_, errno);
    committed_ = true;
    forget();
}

void TempOutput::forget() noexcept
{
    const char* mine = path_.c_str();
    activeTemp.compare_exchange_strong(mine, nullptr);
}

void removeActiveTempOutput() noexcept
{
    if (const char* path = activeTemp.load())
        ::unlink(path);
}

}  // namespace hotaru
