#pragma once

#include <stdexcept>
#include <string>

namespace hotaru {

// A one-line failure reason meant for the user.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A temporary file beside the final output ("OUT~N.tmp"). It is removed on
// destruction unless commit() moved it into place, so a failed run never
// leaves a half-written or damaged output behind.
class TempOutput {
public:
    // Reserves a fresh temporary name; throws ConvertError naming finalPath.
    explicit TempOutput(std::string finalPath);
    ~TempOutput();
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    const std::string& path() const { return path_; }

    // Flushes the finished file to disk and renames it over the final path.
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
