#pragma once
// A FILM/CPK movie inside an archive, opened with FFmpeg's FILM reader
// straight from its byte range: what the picture and the preview read it
// through.

#include "movie/AvHandles.h"
#include "movie/FilmHeader.h"
#include "movie/MovieThumbnail.h"

#include <cstdint>
#include <memory>

namespace hotaru {

class FilmSource {
public:
    // How far the header can be trusted: Broken, nothing; SamplesOutside,
    // the header reads but some sample lies outside the range or is bigger
    // than any frame can be; Fine.
    enum class Layout { Broken, SamplesOutside, Fine };

    // Reads through `read` from this thread only, never outside
    // [offset, offset+size). Never throws for a damaged movie: opened() is
    // false then. `read` must outlive the source.
    FilmSource(const ArchiveRead& read, std::int64_t offset, std::int64_t size);
    ~FilmSource();
    FilmSource(const FilmSource&) = delete;
    FilmSource& operator=(const FilmSource&) = delete;

    bool opened() const { return input_ != nullptr; }
    Layout layout() const { return layout_; }
    AVFormatContext& input() const { return *input_; }
    // The Cinepak stream (null when the first video stream is anything
    // else) and the first sound stream (null when silent).
    AVStream* video() const { return video_; }
    AVStream* sound() const { return sound_; }
    // A read threw: FFmpeg may have taken it for the end of the movie.
    bool readFailed() const;
    // av_seek_frame; what failed before it no longer counts, as the reads
    // after it may well succeed.
    bool seek(int stream, std::int64_t timestamp, int flags);

    // The picture's size when it is a sane one, else 0 x 0.
    int width() const { return width_; }
    int height() const { return height_; }
    // From the header's sample table (FilmInfo); 0 when unknown.
    double frameRate() const { return frameRate_; }
    double seconds() const { return seconds_; }

private:
    struct Range;
    struct AvioDeleter {
        void operator()(AVIOContext* c) const;
    };

    std::unique_ptr<Range> range_;
    std::unique_ptr<AVIOContext, AvioDeleter> io_;
    InputPtr input_;  // closed before io_ goes
    Layout layout_ = Layout::Broken;
    AVStream* video_ = nullptr;
    AVStream* sound_ = nullptr;
    int width_ = 0, height_ = 0;
    double frameRate_ = 0, seconds_ = 0;
};

}  // namespace hotaru
