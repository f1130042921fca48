#pragma once
// Putting a re-made movie back: movie N read from the opened disc, re-made
// from the user's video or subtitles to fit its byte range, and a copy of the
// disc written with the new movie in the old one's place.

#include "disc/PatchedCopy.h"
#include "extract/RunArchive.h"
#include "remake/MovieRemake.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace hotaru {

struct PutBackRequest {
    std::int32_t movie = 0;
    std::string file;    // a video, or an .srt/.ass/.ssa to burn into the disc's own movie
    std::string folder;  // where the copy of the disc is written
    double maxSeconds = DefaultMaxSeconds;
    disc::PatchedCopyOptions copy;
};

// What a put-back is doing, in the order it does it.
enum class PutBackStage { Reading, Encoding, Writing };

struct PutBackProgress {
    PutBackStage stage = PutBackStage::Reading;
    double fraction = 0;  // of this stage (Encoding: of this attempt; Writing: of this step)
    int attempt = 0;      // Encoding: the try, from 1
    int quality = 100;    // Encoding: the try's quality, in percent of the best
    disc::CopyStep step = disc::CopyStep::CheckSpace;  // Writing
};

struct PutBackEvents {
    std::function<void(const PutBackProgress&)> progress;  // on the working thread
    std::function<bool()> stopRequested;
};

struct PutBackResult {
    std::int32_t disc = 0;
    std::int32_t movie = 0;
    int quality = 100;
    int attempts = 0;
    std::int64_t movieBytes = 0;  // the new movie's own length
    std::int64_t budget = 0;      // the old movie's range
    double seconds = 0;
    disc::PatchedCopy copy;
};

// What only a put-back can refuse: the archive is of no disc, or the disc has
// no such movie.
class PutBackFailure : public std::runtime_error {
public:
    enum Code { UnknownDisc, NoSuchMovie };
    PutBackFailure(Code code, std::int64_t size, std::int32_t disc, std::int32_t movie);
    Code code;
    std::int64_t archiveSize;
    std::int32_t disc;
    std::int32_t movie;
};

// Reads movie request.movie through `archive`, re-makes it from request.file
// and writes the patched copy of archive.path() into request.folder. Throws
// PutBackFailure, RemakeFailure, disc::PatchFailure, and what reading the
// archive throws (EInOutError, disc::ImageError, disc::ReadStopped).
PutBackResult putBack(RunArchive& archive, const PutBackRequest& request, const PutBackEvents& events = {});

}  // namespace hotaru
