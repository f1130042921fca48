#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Path.h"  // joinPath, which most users of files need

namespace hotaru {

// A file opened for one job and closed when it ends. Paths are UTF-8 on every
// system. Every failure throws EInOutError naming the path.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Read-only; an existing file is required; other readers may share it.
    // Only a file or a CD-ROM drive opens: a FIFO, socket or other device is
    // refused at once (io::NotAFile), never waited on.
    static File openRead(const std::string& path);
    // A new file that must not exist yet, for reading and writing; others may read.
    static File createNew(const std::string& path);
    // An existing file, for reading and writing in place; others may read.
    static File openReadWrite(const std::string& path);

    const std::string& path() const noexcept { return path_; }
    std::int64_t size();
    void seek(std::int64_t offset);
    // Exactly n bytes or EInOutError: a short read is code 100, a short write 101.
    void readExact(void* buffer, std::size_t n);
    // Exactly n bytes from `offset`, as readExact, without using or moving the
    // file position, so several threads may read one file at once.
    void readAt(std::int64_t offset, void* buffer, std::size_t n);
    void writeExact(const void* buffer, std::size_t n);
    // Waits until the written bytes are on the disk.
    void flushToDisk();
    // Checked close; the destructor closes quietly instead.
    void close();

private:
    std::string path_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// Replaces `to` by `from` in one step where the system allows it.
void replaceFile(const std::string& from, const std::string& to);
// Removes a file; returns false when it could not be removed.
bool removeFile(const std::string& path) noexcept;
// True when the path names an existing file marked read-only.
bool isReadOnlyFile(const std::string& path) noexcept;
// True when the path names an existing file that is not a folder.
bool isRegularFile(const std::string& path) noexcept;
// True for a file this user may run (on Windows: any file that is not a folder).
bool isExecutableFile(const std::string& path) noexcept;
// Size and last write time of a file, to tell whether something rewrote it.
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t written = 0;  // system ticks
    bool operator==(const FileStamp&) const = default;
};
FileStamp fileStamp(const std::string& path) noexcept;
// The process's current directory, and changing it.
std::string currentDirectory();
void setCurrentDirectory(const std::string& path);

}  // namespace hotaru
