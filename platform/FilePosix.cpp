#include "platform/File.h"
#include "platform/InOutError.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/cdrom.h>
#endif

namespace hotaru {

namespace {

[[noreturn]] void fail(const std::string& path, int err = errno)
{
    throw EInOutError(ioCodeFromErrno(err, path), path, err);
}

// Moves all n bytes through `call` (read or write), which may move fewer at a
// time; a call that moves nothing ends with `nothingMoved`.
template <typename Byte, typename Call>
void moveExactly(Byte* p, std::size_t n, int nothingMoved, const std::string& path, Call call)
{
    while (n > 0) {
        const ssize_t moved = call(p, n);
        if (moved < 0) {
            if (errno == EINTR)
                continue;
            fail(path);
        }
        if (moved == 0)
            throw EInOutError(nothingMoved, path);
        p += moved;
        n -= static_cast<std::size_t>(moved);
    }
}

// A drive's block device may be read as a disc; no other device.
bool isOpticalDrive(int fd)
{
#ifdef __linux__
    return ::ioctl(fd, CDROM_GET_CAPABILITY, 0) >= 0;
#else
    (void)fd;
    return false;
#endif
}

}  // namespace

File::~File()
{
    if (fd_ >= 0)
        ::close(fd_);
}

File::File(File&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        path_ = std::move(other.path_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

File File::openRead(const std::string& path)
{
    File f;
    f.path_ = path;
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    f.fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (f.fd_ < 0)
        fail(path);
    struct stat st {};
    if (::fstat(f.fd_, &st) != 0)
        fail(path);
    if (S_ISDIR(st.st_mode))
        throw EInOutError(io::AccessDenied, path);
    if (!S_ISREG(st.st_mode) && !(S_ISBLK(st.st_mode) && isOpticalDrive(f.fd_)))
        throw EInOutError(io::NotAFile, path);
    const int flags = ::fcntl(f.fd_, F_GETFL);
    if (flags < 0 || ::fcntl(f.fd_, F_SETFL, flags & ~O_NONBLOCK) != 0)
        fail(path);
    ::posix_fadvise(f.fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return f;
}

File File::createNew(const std::string& path)
{
    File f;
    f.path_ = path;
    f.fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (f.fd_ < 0)
        fail(path);
    return f;
}

File File::openReadWrite(const std::string& path)
{
    File f;
    f.path_ = path;
    f.fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (f.fd_ < 0)
        fail(path);
    struct stat st {};
    if (::fstat(f.fd_, &st) != 0)
        fail(path);
    if (!S_ISREG(st.st_mode))
        throw EInOutError(io::NotAFile, path);
    return f;
}

std::int64_t File::size()
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        fail(path_);
    return st.st_size;
}

void File::seek(std::int64_t offset)
{
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)
        fail(path_);
}

void File::readExact(void* buffer, std::size_t n)
{
    moveExactly(static_cast<char*>(buffer), n, io::ReadPastEnd, path_,
                [this](char* p, std::size_t k) { return ::read(fd_, p, k); });
}

void File::readAt(std::int64_t offset, void* buffer, std::size_t n)
{
    moveExactly(static_cast<char*>(buffer), n, io::ReadPastEnd, path_, [this, &offset](char* p, std::size_t k) {
        const ssize_t got = ::pread(fd_, p, k, static_cast<off_t>(offset));
        if (got > 0)
            offset += got;
        return got;
    });
}

void File::writeExact(const void* buffer, std::size_t n)
{
    moveExactly(static_cast<const char*>(buffer), n, io::ShortWrite, path_,
                [this](const char* p, std::size_t k) { return ::write(fd_, p, k); });
}

void File::flushToDisk()
{
    if (::fdatasync(fd_) != 0)
        fail(path_);
}

void File::close()
{
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0)
        fail(path_);
}

void replaceFile(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        fail(to);
}

bool removeFile(const std::string& path) noexcept { return ::unlink(path.c_str()) == 0; }

bool isReadOnlyFile(const std::string& path) noexcept
{
    // By its mode, not access(): root may write anything, yet a file marked
    // read-only must not be replaced behind the user's back.
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool isRegularFile(const std::string& path) noexcept
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool isExecutableFile(const std::string& path) noexcept
{
    return isRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

FileStamp fileStamp(const std::string& path) noexcept
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return {};
    constexpr std::int64_t NanosecondsPerSecond = 1'000'000'000;
    return {true, st.st_size, static_cast<std::int64_t>(st.st_mtim.tv_sec) * NanosecondsPerSecond + st.st_mtim.tv_nsec};
}

std::string currentDirectory()
{
    std::string buf(PATH_MAX, '\0');
    if (!::getcwd(buf.data(), buf.size()))
        fail(".");
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    return buf;
}

void setCurrentDirectory(const std::string& path)
{
    if (::chdir(path.c_str()) != 0)
        fail(path);
}

}  // namespace hotaru
