#pragma once

#include "movie/FilmHeader.h"
#include "remake/FilmWriter.h"

#include <cstdint>
#include <vector>

namespace hotaru {

// The disc's movie that a new one replaces, read whole from its bytes: what
// the new one must match, and its samples in the order they lie.
class OriginalMovie {
public:
    struct Sample {
        bool sound = false;
        std::vector<std::uint8_t> bytes;
        std::uint32_t time = 0;      // a picture's, in the header's ticks
        std::uint32_t duration = 0;  // a picture's
        bool key = false;
    };

    // Throws RemakeFailure OriginalUnreadable when it is no FILM movie with
    // Cinepak pictures.
    explicit OriginalMovie(const std::vector<std::uint8_t>& bytes);

    const FilmInfo& info() const { return info_; }
    FilmLayout layout() const { return layout_; }
    // Every sample read, the damaged tail of a movie left out.
    const std::vector<Sample>& samples() const { return samples_; }
    // Every sample the header names was read.
    bool complete() const { return complete_; }
    // The sound is PCM, which the new movie can be given.
    bool pcmSound() const { return pcmSound_; }

    // A picture's usual duration, in ticks.
    std::uint32_t frameTicks() const { return frameTicks_; }
    // In sample frames (one sample per channel): the sound ahead of the
    // first picture, and what a sound record after it holds.
    std::int64_t soundLead() const { return soundLead_; }
    std::int64_t soundChunk() const { return soundChunk_; }

private:
    void readLayout(const std::vector<std::uint8_t>& bytes);
    void readSamples(const std::vector<std::uint8_t>& bytes);
    void measure();

    FilmInfo info_;
    FilmLayout layout_;
    std::vector<Sample> samples_;
    bool complete_ = false;
    bool pcmSound_ = false;
    std::uint32_t frameTicks_ = 1;
    std::int64_t soundLead_ = 0, soundChunk_ = 0;
};

}  // namespace hotaru
