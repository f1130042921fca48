#pragma once

#include <stdexcept>
#include <string>

namespace hotaru {

// A one-line failure reason meant for the user.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A temporary file beside the final output ("OUT~N.tmp", OUT shortened when
// the name would not fit). It is removed on destruction unless commit() moved
// it into place, so a failed run never leaves a half-written or damaged
// output behind. A read-only output is never replaced.
class TempOutput {
public:
    // Reserves a fresh temporary name; throws ConvertError naming finalPath,
    // also when finalPath is a read-only file.
    explicit TempOutput(std::string finalPath);
    ~TempOutput();
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    const std::string& path() const { return path_; }

    // Flushes the finished file to disk and renames it over the final path,
    // unless that has become read-only meanwhile.
    void commit();

private:
    void forget() noexcept;

    std::string finalPath_;
    std::string path_;
    bool committed_ = false;
};

// For a signal handler: removes the temporary file being written, if any.
// Only calls unlink(), which is async-signal-safe.
void removeActiveTempOutput() noexcept;

}  // namespace hotaru
