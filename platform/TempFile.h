#pragma once

#include "platform/File.h"
#include "platform/InOutError.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace hotaru {

// Refused: the final file is marked read-only. Replacing it by rename would
// get past the mark, so it is refused with the code a write would meet.
class EReadOnlyFile : public EInOutError {
public:
    explicit EReadOnlyFile(std::string path) : EInOutError(io::AccessDenied, std::move(path)) {}
};

// A file written under a temporary name beside its final one, "NAME~N.tmp"
// with the lowest free N, and moved over the final name only once complete.
// Until then the final name is untouched: destroyed before commit() (a
// failure, a stop), it removes the temporary. On POSIX, NAME is shortened
// at a character boundary when the temporary's name would exceed NAME_MAX.
//
// Failures throw EInOutError naming the final path, the one the user knows,
// never the temporary; a read-only final file throws EReadOnlyFile.
class TempFile {
public:
    explicit TempFile(std::string finalPath);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // The temporary, for writers that open it by name.
    const std::string& path() const noexcept { return path_; }

    void write(const void* data, std::size_t n);
    // Random access to what is written so far, to mend a copy in place:
    // writeAt moves the position, so later write()s go on from there.
    void readAt(std::int64_t offset, void* data, std::size_t n);
    void writeAt(std::int64_t offset, const void* data, std::size_t n);

    enum class Flush {
        IfReplacing,  // on the disk before the rename only when it replaces a file
        Always,
    };
    // Closes the temporary and renames it over the final path, unless that has
    // been marked read-only meanwhile. A copy that replaces an older file must
    // be on the disk before the rename: otherwise a power cut could leave neither.
    void commit(Flush flush = Flush::IfReplacing);

private:
    void forget() noexcept;

    std::string finalPath_;
    std::string path_;
    File file_;
    bool committed_ = false;
};

#ifndef _WIN32
// For a signal handler: removes the temporary of the TempFile created last,
// if it is still there. Only calls unlink(), which is async-signal-safe.
void removeActiveTempFile() noexcept;
#endif

}  // namespace hotaru
