#pragma once
// Re-making one of the disc's movies: a fan's video, or the disc's own movie
// with subtitles drawn in, encoded as FILM (Cinepak pictures, PCM sound) in
// the old movie's form and no larger than its byte range. Plain C++ on the
// movie library and FFmpeg's, no Qt.

#include "movie/SubtitleFile.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace hotaru {

// A new movie longer than this is refused unless the user allows more: none
// of the discs' movies comes near it, and encoding hours would look like a hang.
inline constexpr double DefaultMaxSeconds = 600;

// The disc's movie that is replaced: its FILM bytes (header and samples) as
// read from the archive. What the new movie must match is read from its
// header (FilmInfo): picture size, frame rate (STAB base and frame
// durations), sample rate, channels and sample size (8/16 bits); no sound
// stays no sound.
struct RemakeRequest {
    std::vector<std::uint8_t> original;  // movie N's bytes, exactly its byte range
    // A video/audio file FFmpeg reads, or an .srt/.ass/.ssa file (by
    // extension, in any case) drawn into the original's pictures.
    std::string source;
    double maxSeconds = DefaultMaxSeconds;  // a longer new movie is refused (the user may raise it)
};

struct RemakeEvents {
    // The fraction of this attempt done, 0..1; quality as in RemakeResult.
    std::function<void(int attempt, int quality, double fraction)> progress;
    // True: remakeMovie throws RemakeFailure Stopped soon (within a second).
    std::function<bool()> stopRequested;
};

struct RemakeResult {
    std::vector<std::uint8_t> bytes;  // exactly original.size(): the FILM movie, then zeros
    // The FILM movie's own length: its header says its header's length, and
    // its samples end here.
    std::int64_t movieBytes = 0;
    int quality = 100;  // the quality reached, in percent of the best (100 = first try)
    int attempts = 1;
    std::int64_t frames = 0;
    double seconds = 0;
};

class RemakeFailure : public std::runtime_error {
public:
    enum Code {
        OriginalUnreadable,  // not a FILM movie with Cinepak pictures
        SourceUnreadable,    // FFmpeg cannot open or decode it
        NoPictures,          // the source has no video, or no frame of it decodes
        TooLong,             // seconds (as far as known) > limit
        DoesNotFit,          // even the lowest quality: smallest > budget
        SubtitlesUnusable,   // subtitleProblem says why
        NoFont,              // file: the font that failed, empty when none was found
        Stopped,
        EncoderMissing,          // this FFmpeg has no Cinepak encoder or decoder
        PictureSizeUnsupported,  // Cinepak encodes sides that are multiples of 4 only
        SoundUnsupported,        // a video for a movie whose sound is not 8- or 16-bit PCM
        EncoderFailed,           // the encoder refused a picture
    };

    explicit RemakeFailure(Code code, std::string file = {});

    Code code;
    std::string file;                       // the file concerned
    double seconds = 0, limit = 0;          // TooLong
    std::int64_t smallest = 0, budget = 0;  // DoesNotFit: the smallest size reached and original.size()
    SubtitleProblem subtitleProblem{SubtitleError::Unreadable, 0};  // SubtitlesUnusable: what and on which line
};

// Makes the new movie; throws RemakeFailure, or std::bad_alloc.
RemakeResult remakeMovie(const RemakeRequest& request, const RemakeEvents& events = {});

}  // namespace hotaru
