#pragma once

#include "movie/MovieThumbnail.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace hotaru {

class MovieDecoder;

// A picture of the movie, at the movie's own size, or a stretch of its sound.
struct MoviePiece {
    enum class Kind { Picture, Sound };
    Kind kind = Kind::Picture;
    double time = 0;                    // seconds from the movie's start
    std::vector<std::uint8_t> rgb;      // a picture: width*height*3 bytes, RGB24, rows top to bottom
    std::vector<std::int16_t> samples;  // sound: signed 16-bit, the channels interleaved
};

// A FILM/CPK movie decoded in the order its samples lie, for playing it:
// pictures and sound, a piece at a time, so that only what is being played
// is in memory. Reads through `read` from one thread only, never outside
// [offset, offset+size); never throws for a damaged movie: it ends where
// the damage begins.
class MovieStream {
public:
    MovieStream(ArchiveRead read, std::int64_t offset, std::int64_t size);
    ~MovieStream();
    MovieStream(const MovieStream&) = delete;
    MovieStream& operator=(const MovieStream&) = delete;

    // False when nothing of the movie can be shown: damaged() says why.
    bool opened() const;
    int width() const { return width_; }
    int height() const { return height_; }
    double frameRate() const { return frameRate_; }
    double seconds() const { return seconds_; }
    int sampleRate() const { return sampleRate_; }  // 0 for a silent movie
    int channels() const { return channels_; }      // 1 or 2; 0 for a silent movie

    // The next picture or stretch of sound; nothing at the movie's end or
    // where its damage begins.
    std::optional<MoviePiece> next();
    // Starts again from `seconds`: what lies before is decoded as far as
    // the pictures need but not handed out.
    void seek(double seconds);

    // The movie could not be opened or decoded to its end.
    bool damaged() const { return damaged_; }
    // Where the damage begins, in seconds: what was handed out before it is sound.
    double damagedAt() const { return damagedAt_; }

private:
    void fail(double at);

    std::unique_ptr<MovieDecoder> decoder_;
    int width_ = 0, height_ = 0;
    double frameRate_ = 0, seconds_ = 0;
    int sampleRate_ = 0, channels_ = 0;
    double skipUntil_ = 0;  // pieces before this are not handed out
    bool damaged_ = false;
    double damagedAt_ = 0;
    bool ended_ = false;
};

}  // namespace hotaru
