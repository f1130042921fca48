#pragma once

#include <stdexcept>
#include <string>

namespace hotaru {

// Codes of the runtime's input/output error: the system's own error codes
// (Windows numbering on every system), plus the two the runtime adds itself.
namespace io {
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int TooManyOpenFiles = 4;
inline constexpr int AccessDenied = 5;
inline constexpr int FileExists = 80;
inline constexpr int DiskFull = 112;
inline constexpr int InvalidName = 123;
inline constexpr int NameTooLong = 206;
// Not a file to read from: a FIFO, a socket, or a device other than a CD-ROM
// drive (Windows: a pipe or a console). Opening one could wait forever.
inline constexpr int NotAFile = 222;
inline constexpr int DeviceError = 1117;
inline constexpr int ReadPastEnd = 100;
inline constexpr int ShortWrite = 101;
}  // namespace io

// Appends "." unless the text already ends in a full stop of either width.
std::string withFullStop(const std::string& text);

// A failed file operation. code() says what failed (language/Failures.h
// words it); path() names the file concerned, which callers may show beside
// it; what() is for logs, not for people. systemError() is the
// system's own number behind the code (errno on POSIX, the Windows error on
// Windows), for callers that word failures their own way; 0 when the runtime
// found the failure itself (a short read or write).
class EInOutError : public std::runtime_error {
public:
    EInOutError(int code, std::string path = {}, int systemError = 0);
    int code() const noexcept { return code_; }
    const std::string& path() const noexcept { return path_; }
    int systemError() const noexcept { return systemError_; }

private:
    int code_;
    std::string path_;
    int systemError_;
};

// Maps a POSIX errno to the Windows-style code, so a failure reads the same on
// every system. A missing entry is told apart from a missing folder on the way.
int ioCodeFromErrno(int err, const std::string& path);

}  // namespace hotaru
