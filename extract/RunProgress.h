#pragma once

#include "extract/MovieExtraction.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace hotaru {

// How far a run is over all its movies, in bytes: each movie's copy counts
// its size, slice by slice, and its conversion, when the run converts, its
// size once more when it ends. What the taskbar, the dock and the command
// line's live line show.
class RunProgress {
public:
    RunProgress(std::int32_t disc, const std::vector<std::int32_t>& movies, bool converting);

    void startMovie(std::int32_t movie);
    // More slices of the movie under way were copied (SlicesPerMovie a movie).
    void sliced(int slices);
    void endMovie(MovieEnd end);

    std::int64_t total() const { return total_; }
    std::int64_t done() const;
    // Of the movies' own bytes, what was copied so far.
    std::int64_t copied() const { return copied_ + sliceBytes(); }
    std::int64_t copyTotal() const { return copyTotal_; }
    // Of the movie under way.
    int movieSlices() const { return slices_; }
    double fraction() const { return total_ > 0 ? static_cast<double>(done()) / static_cast<double>(total_) : 0.0; }
    // Whole seconds still to go, at the pace of the `elapsed` seconds so far,
    // the conversions to come included; nothing before anything is done.
    std::optional<long long> secondsLeft(double elapsed) const;

private:
    std::int64_t sliceBytes() const;

    std::int32_t disc_;
    bool converting_;
    std::int64_t total_ = 0;
    std::int64_t copyTotal_ = 0;
    std::int64_t finished_ = 0;  // of movies that ended, with their conversions
    std::int64_t copied_ = 0;    // the copies of movies that ended
    std::int32_t movie_ = 0;     // under way; 0: none
    int slices_ = 0;
};

// The most the output folder holds at once while the movies are written: every
// copy, or with conversion every video (its likely size) and the largest copy
// beside it, since each copy goes once its video is written.
std::int64_t spaceNeeded(std::int32_t disc, const std::vector<std::int32_t>& movies, bool converting);

// What the window and the command line check before a run writes a byte: the
// bytes needed when `free` (unknown: nothing) is too little for them.
std::optional<std::int64_t> shortOfSpace(std::int32_t disc, const std::vector<std::int32_t>& movies, bool converting,
                                         std::optional<std::int64_t> free);

// A size as the program shows every size: whole KBytes, the rest dropped.
inline std::int64_t kbytes(std::int64_t bytes) { return bytes / 1024; }

}  // namespace hotaru
