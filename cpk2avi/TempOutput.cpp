#include "TempOutput.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hotaru {

namespace {

// The temporary a signal handler should remove; lock-free, so safe to read there.
std::atomic<const char*> activeTemp{nullptr};

[[noreturn]] void failOn(const std::string& path, int err)
{
    throw ConvertError("cannot write '" + path + "': " + std::strerror(err));
}

// By the mode bits, not by whether a write fails: root may write anything, and
// the rename would replace the file anyway, yet read-only must stay read-only.
void refuseReadOnly(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)
        && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        throw ConvertError("cannot replace '" + path + "': access denied, it is read-only");
}

// "OUT~N.tmp" beside OUT. When OUT's name nearly fills NAME_MAX, the part
// taken from it is shortened; O_EXCL and N keep the result unique.
std::string tempName(const std::string& finalPath, int n)
{
    // Built piece by piece: GCC 12 at -O3 takes "~" + ... for a restrict violation.
    std::string suffix(1, '~');
    suffix += std::to_string(n);
    suffix += ".tmp";
    const std::size_t slash = finalPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = finalPath.substr(nameStart);
    if (name.size() + suffix.size() > NAME_MAX) {
        std::size_t keep = NAME_MAX - suffix.size();
        // Cut between UTF-8 characters, not inside one.
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
        name.resize(keep);
    }
    return finalPath.substr(0, nameStart) + name + suffix;
}

}  // namespace

TempOutput::TempOutput(std::string finalPath) : finalPath_(std::move(finalPath))
{
    refuseReadOnly(finalPath_);
    for (int n = 1;; ++n) {
        path_ = tempName(finalPath_, n);
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
    // Once more, in case the output was marked read-only while we wrote.
    refuseReadOnly(finalPath_);
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
