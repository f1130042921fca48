#include "extract/CopyRange.h"

#include "platform/File.h"
#include "platform/TempFile.h"

#include <memory>
#include <stdexcept>

namespace hotaru {

CopyOutcome copyRange(const RangeCopy& job, const CopyHooks& hooks)
{
    const std::int64_t slice = job.size / SlicesPerMovie;
    const std::int64_t remainder = job.size - SlicesPerMovie * slice;
    if (job.size < 0 || job.offset < 0 || static_cast<std::uint64_t>(slice) > CopyBufferSize)
        throw std::invalid_argument("range does not fit the copy buffer");

    const auto buffer = std::make_unique<char[]>(CopyBufferSize);
    File archive = File::openRead(job.archivePath);
    TempFile out(job.outputPath);  // refuses a read-only output before a byte is written
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
