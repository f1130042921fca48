#include "CopyRange.h"

#include "File.h"
#include "InOutError.h"

#include <memory>
#include <stdexcept>

namespace hotaru {

namespace {

// A temporary file that is removed unless it was handed over under its final
// name. Its failures are reported under the final name, the one the user knows.
class TempFile {
public:
    explicit TempFile(std::string finalPath) : finalPath_(std::move(finalPath))
    {
        for (int n = 1;; ++n) {
            path_ = finalPath_ + "~" + std::to_string(n) + ".tmp";
            try {
                file_ = File::createNew(path_);
                return;
            } catch (const EInOutError& e) {
                if (e.code() != io::FileExists && e.code() != 183)
                    throw EInOutError(e.code(), finalPath_);
                if (n >= 1000)
                    throw EInOutError(io::AccessDenied, finalPath_);
            }
        }
    }
    ~TempFile()
    {
        if (!path_.empty()) {
            file_ = File();
            removeFile(path_);
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    void write(const char* data, std::size_t n)
    {
        try {
            file_.writeExact(data, n);
        } catch (const EInOutError& e) {
            throw EInOutError(e.code(), finalPath_);
        }
    }

    void commit()
    {
        try {
            // Only a copy that replaces an older file must be on the disk before
            // the rename: otherwise a power cut could leave neither.
            if (isRegularFile(finalPath_))
                file_.flushToDisk();
            file_.close();
        } catch (const EInOutError& e) {
            throw EInOutError(e.code(), finalPath_);
        }
        replaceFile(path_, finalPath_);
        path_.clear();
    }

private:
    std::string finalPath_;
    std::string path_;
    File file_;
};

}  // namespace

CopyOutcome copyRange(const RangeCopy& job, const CopyHooks& hooks)
{
    const std::int64_t slice = job.size / SlicesPerMovie;
    const std::int64_t remainder = job.size - SlicesPerMovie * slice;
    if (job.size < 0 || job.offset < 0 || static_cast<std::uint64_t>(slice) > CopyBufferSize)
        throw std::invalid_argument("range does not fit the copy buffer");

    const auto buffer = std::make_unique<char[]>(CopyBufferSize);
    File archive = File::openRead(job.archivePath);
    // Replacing by rename would get past a read-only mark; refuse as a write would.
    if (isReadOnlyFile(job.outputPath))
        throw EInOutError(io::AccessDenied, job.outputPath);
    TempFile out(job.outputPath);
    archive.seek(job.offset);
    if (hooks.opened)
        hooks.opened();

    const auto n = static_cast<std::size_t>(slice);
    for (int i = 0; i < SlicesPerMovie; ++i) {
        archive.readExact(buffer.get(), n);
        out.write(buffer.get(), n);
        if (hooks.slice && !hooks.slice())
            return CopyOutcome::Stopped;
    }
    archive.readExact(buffer.get(), static_cast<std::size_t>(remainder));
    out.write(buffer.get(), static_cast<std::size_t>(remainder));
    archive.close();
    out.commit();
    return CopyOutcome::Written;
}

CopyOutcome copyRange(const RangeCopy& job, const SliceCallback& onSlice)
{
    return copyRange(job, CopyHooks{{}, onSlice});
}

}  // namespace hotaru
