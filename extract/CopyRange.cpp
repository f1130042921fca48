#include "CopyRange.h"

#include "File.h"
#include "InOutError.h"

#include <memory>
#include <stdexcept>

namespace hotaru {

namespace {

// A temporary file that is removed unless it was handed over under its final name.
class TempFile {
public:
    explicit TempFile(const std::string& finalPath)
    {
        for (int n = 1;; ++n) {
            path_ = finalPath + "~" + std::to_string(n) + ".tmp";
            try {
                file_ = File::createNew(path_);
                return;
            } catch (const EInOutError& e) {
                if (e.code() != io::FileExists && e.code() != 183)
                    throw EInOutError(e.code(), finalPath);  // report the name the user asked for
                if (n >= 1000)
                    throw EInOutError(io::AccessDenied, finalPath);
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

    File& file() { return file_; }
    void commit(const std::string& finalPath)
    {
        file_.close();
        replaceFile(path_, finalPath);
        path_.clear();
    }

private:
    std::string path_;
    File file_;
};

}  // namespace

CopyOutcome copyRange(const RangeCopy& job, const SliceCallback& onSlice)
{
    const std::int64_t slice = job.size / SlicesPerMovie;
    const std::int64_t remainder = job.size - SlicesPerMovie * slice;
    if (job.size < 0 || job.offset < 0 || static_cast<std::uint64_t>(slice) > CopyBufferSize)
        throw std::invalid_argument("range does not fit the copy buffer");

    const auto buffer = std::make_unique<char[]>(CopyBufferSize);
    File archive = File::openRead(job.archivePath);
    TempFile out(job.outputPath);
    archive.seek(job.offset);

    const auto n = static_cast<std::size_t>(slice);
    for (int i = 0; i < SlicesPerMovie; ++i) {
        archive.readExact(buffer.get(), n);
        out.file().writeExact(buffer.get(), n);
        if (onSlice && !onSlice())
            return CopyOutcome::Stopped;
    }
    archive.readExact(buffer.get(), static_cast<std::size_t>(remainder));
    out.file().writeExact(buffer.get(), static_cast<std::size_t>(remainder));
    archive.close();
    out.commit(job.outputPath);
    return CopyOutcome::Written;
}

}  // namespace hotaru
