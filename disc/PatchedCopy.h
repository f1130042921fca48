#pragma once
// A copy of the user's archive or disc image with one stretch of the archive
// replaced: every file of the image written anew beside the others, raw
// sectors given their checks again, the whole read back before it is named.

#include "disc/BlockSource.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace hotaru::disc {

// Bytes to put in the archive's place from `offset` on (the archive's size never changes).
struct ArchiveChange {
    std::int64_t offset = 0;
    std::vector<std::uint8_t> bytes;
};

// The steps a copy goes through, for progress and for naming where it failed.
enum class CopyStep { CheckSpace, Copy, Patch, Pack, ReadBack, Rename };

struct PatchedCopyEvents {
    // On the writing thread: bytes done of the step's total.
    std::function<void(CopyStep step, std::int64_t done, std::int64_t total)> progress;
    // Asked often (at least every few MiB); true stops with PatchFailure::Stopped.
    // Reads of an image may ask it from their read-ahead threads too.
    std::function<bool()> stopRequested;
};

struct PatchedCopyOptions {
    ReadOptions read;       // passed to openArchive for the source and the read-back (archiveSizes matter)
    std::string chdman;     // a chdman program; empty: the one on PATH, if any
    bool useChdman = true;  // false: never pack a CHD, write it out as BIN/CUE
    // Free bytes in a folder; empty: platform's freeSpace. A seam for tests.
    std::function<std::optional<std::int64_t>(const std::string& folder)> freeSpace;
};

struct PatchedCopy {
    std::vector<std::string> files;  // final paths written, the one to open first (sheet/descriptor/image/archive)
    bool chdAsBinCue = false;        // the source was a CHD and the copy is BIN/CUE (no chdman)
    bool packedByChdman = false;     // the copy is a CHD made by chdman
    std::int64_t sectorsRewritten = 0;
};

// Thrown for every failure; `file` is the file concerned (the user's path or the final output path, never a
// temporary name). what() is for logs; callers word the code and its facts themselves.
class PatchFailure : public std::runtime_error {
public:
    enum Code {
        OwnFiles,         // a file to write is one of the source's own, or the folder is the source's
        NoSpace,          // needed/available
        Stopped,          // stopRequested said so
        ChangeOutside,    // the change reaches past the archive's end (or starts before it)
        ReadFailed,       // systemError/ioCode when known
        WriteFailed,      // systemError/ioCode when known
        ToolFailed,       // chdman could not be started or failed: toolOutput
        ReadBackDiffers,  // the copy read back does not hold what was written: at
        OutsideFolder,    // a descriptor names a file outside its own folder, which a copy cannot keep
    };
    PatchFailure(Code code, CopyStep step, std::string file, const std::string& what)
        : std::runtime_error(what), code(code), step(step), file(std::move(file))
    {
    }

    Code code;
    CopyStep step;
    std::string file;
    std::int64_t needed = 0, available = 0;  // NoSpace
    std::int64_t at = -1;                    // ReadBackDiffers: first archive offset that differs
    int systemError = 0;                     // Read/WriteFailed: the platform error code (EInOutError's) when known
    int ioCode = 0;                          // Read/WriteFailed: EInOutError's code (platform/InOutError.h) when known
    std::string toolOutput;                  // ToolFailed: chdman's last lines
};

// Writes into `folder` a copy of the archive or image at `source` (same file names: hotaru4; the sheet and its BINs;
// the ISO; .ccd/.img/.sub; .mds/.mdf; .nrg; a CHD as a CHD via chdman, else as "<name>.cue" + "<name>.bin"),
// with `change` in the archive. Every file is written under a temporary name in `folder` and renamed only when
// all are complete and read back: the copy is opened again with openArchive and every archive byte compared,
// those outside the change with the source's archive, those inside with change.bytes. Throws PatchFailure;
// nothing is left under a final name after a failure or stop.
// Refuses (OwnFiles) when a file it would write is one of the source's own files (same folder, or same file via
// symlink/hard link). Checks free space first (NoSpace with needed/available).
PatchedCopy writePatchedCopy(const std::string& source, const std::string& folder, const ArchiveChange& change,
                             const PatchedCopyEvents& events = {}, const PatchedCopyOptions& options = {});

}  // namespace hotaru::disc
