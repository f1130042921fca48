#pragma once
// A FILM/CPK movie's one decoder: the opened source, the Cinepak and sound
// decoders and the scaler. The tooltip's picture and the preview both decode
// through it.

#include "movie/AvHandles.h"
#include "movie/FilmSource.h"
#include "movie/MovieStream.h"

#include <climits>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace hotaru {

class MovieDecoder {
public:
    enum class Sound { Without, With };
    // Where decoding starts again after a seek to a spot.
    enum class From {
        // The key frame at or before it, else the movie's start.
        KeyOrStart,
        // The key frame at or before it, else the next one, else any frame at
        // or before it; should the reader land more than MaxPassedOver packets
        // short of that, the table is damaged and decoding starts there.
        NearestKey,
    };
    enum class Step { Read, End, Failed };

    static constexpr int MaxPassedOver = 4096;

    // Reads through `read` from this thread only, never outside
    // [offset, offset+size). Never throws for a damaged movie: opened() is
    // false then.
    MovieDecoder(ArchiveRead read, std::int64_t offset, std::int64_t size, Sound sound);
    ~MovieDecoder();
    MovieDecoder(const MovieDecoder&) = delete;
    MovieDecoder& operator=(const MovieDecoder&) = delete;

    // The movie has Cinepak pictures of a sane size, and their decoder is open.
    bool opened() const { return picture_ != nullptr; }
    const FilmSource& source() const { return source_; }
    // Of the sound handed out: 0 when there is none.
    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }

    // Pictures come out this size; the movie's own until set.
    void scalePictures(int width, int height);
    // Pieces that end before `seconds` are decoded, since later pictures
    // need them, but not handed out; sound is cut there to the sample.
    void handOutFrom(double seconds) { from_ = seconds; }

    // Moves the reader to where decoding must start to show `seconds` on, and
    // empties the decoders and what they held. False when the reader could
    // not be moved: it may be anywhere then.
    bool seek(double seconds, From from);

    // Reads one packet and decodes it into what take() hands out.
    Step step();
    std::optional<MoviePiece> take();
    // Where the damage lies, in seconds, once step() has failed.
    double failedAt() const { return failedAt_; }

private:
    bool toStart();
    bool passOver(const AVPacket& pkt);
    bool decodePicture(const AVPacket& pkt);
    bool convert(const AVFrame& f, std::vector<std::uint8_t>& rgb);
    bool decodeSound(const AVPacket& pkt);
    bool convertSound(const AVFrame& f);

    ArchiveRead read_;  // outlives source_
    FilmSource source_;
    CodecPtr picture_, sound_;
    int sampleRate_ = 0, channels_ = 0;
    FramePtr frame_ = newFrame();
    FramePtr scaled_ = newFrame();
    PacketPtr packet_ = newPacket();
    ScalerPtr scaler_;
    ResamplerPtr resampler_;
    std::deque<MoviePiece> pending_;
    double from_ = 0;
    // After a seek, pictures are passed over up to this frame: one marked
    // key when keyed_. -1 when not waiting.
    std::int64_t waitFor_ = -1;
    bool keyed_ = true;
    int readSinceSeek_ = 0, maxPassedOver_ = INT_MAX;
    double lastTime_ = 0;  // of the furthest packet read
    double failedAt_ = 0;
    bool atStart_ = true;  // nothing read since opening or going back to the start
};

}  // namespace hotaru
