#include "extract/CopyRange.h"

#include "disc/BlockSource.h"
#include "platform/TempFile.h"

#include <memory>
#include <optional>
#include <stdexcept>

namespace hotaru {

CopyOutcome copyRange(const RangeCopy& job, const CopyHooks& hooks)
{
    const std::int64_t slice = job.size / SlicesPerMovie;
    const std::int64_t remainder = job.size - SlicesPerMovie * slice;
    if (job.size < 0 || job.offset < 0 || static_cast<std::uint64_t>(slice) > CopyBufferSize)
        throw std::invalid_argument("range does not fit the copy buffer");

    const auto buffer = std::make_unique<char[]>(CopyBufferSize);
    std::optional<RunArchive> own;
    RunArchive& run = job.archive ? *job.archive : own.emplace(job.archivePath);
    run.onRetrying(hooks.retrying);
    run.onStopAsked(hooks.stopRequested);
    // The hooks may refer to this copy's state: the next copy must not meet them.
    struct Unhook {
        RunArchive& run;
        ~Unhook()
        {
            run.onRetrying({});
            run.onStopAsked({});
        }
    } unhook{run};
    try {
        run.open();
        TempFile out(job.outputPath);  // refuses a read-only output before a byte is written
        if (hooks.opened)
            hooks.opened();

        const auto n = static_cast<std::size_t>(slice);
        std::int64_t at = job.offset;
        for (int i = 0; i < SlicesPerMovie; ++i) {
            run.read(at, buffer.get(), n);
            at += slice;
            out.write(buffer.get(), n);
            if (hooks.slice && !hooks.slice())
                return CopyOutcome::Stopped;
        }
        run.read(at, buffer.get(), static_cast<std::size_t>(remainder));
        out.write(buffer.get(), static_cast<std::size_t>(remainder));
        out.commit();
        return CopyOutcome::Written;
    } catch (const disc::ReadStopped&) {
        return CopyOutcome::Stopped;  // the temporary file went with `out`
    }
}

CopyOutcome copyRange(const RangeCopy& job, const SliceCallback& onSlice)
{
    return copyRange(job, CopyHooks{{}, onSlice, {}, {}});
}

}  // namespace hotaru
