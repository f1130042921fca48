#pragma once

#include "movie/AvHandles.h"
#include "movie/SubtitleFile.h"

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace hotaru {

// Draws a subtitle file's cues into the pictures, for players without
// subtitle tracks: white with a dark outline, centred near the bottom, lines
// wrapped to the picture's width, the letters' size following its height.
// The font is HOTARU_SUBTITLE_FONT (a path) when set, else the system's
// Japanese sans font.
class SubtitleBurner {
public:
    // Why there are no letters to draw with; the converter and the window
    // word it themselves.
    class FontError : public std::runtime_error {
    public:
        enum Reason {
            NoFont,      // none found; `font` is empty
            Unreadable,  // the file cannot be read
            TooLarge,    // too large for a font
            NotAFont,    // FreeType does not read it
            NoSize,      // it has no letters of `pixels` pixels
        };
        FontError(Reason reason, std::string font, int pixels = 0);
        Reason reason;
        std::string font;  // the font file's path
        int pixels = 0;
    };

    // For YUV 4:2:0 pictures of width x height. Throws FontError when no
    // font is found or it cannot be read.
    SubtitleBurner(const Subtitles& subtitles, int width, int height);
    ~SubtitleBurner();
    SubtitleBurner(const SubtitleBurner&) = delete;
    SubtitleBurner& operator=(const SubtitleBurner&) = delete;

    // Draws the cue shown at `ms`, if any, into `picture`.
    void draw(AVFrame& picture, std::int64_t ms);

private:
    struct Glyph {
        int advance = 0;
        int left = 0;
        int top = 0;
        int width = 0;
        int rows = 0;
        std::vector<std::uint8_t> coverage;
    };
    // A cue's text, laid out: where it goes, its letters and their outline.
    struct Block {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> fill;
        std::vector<std::uint8_t> outline;
    };
    struct LibraryDeleter {
        void operator()(FT_LibraryRec_* library) const;
    };
    struct FaceDeleter {
        void operator()(FT_FaceRec_* face) const;
    };

    const Glyph& glyph(char32_t c);
    std::vector<std::u32string> wrapped(const std::string& text);
    void layOut(const SubtitleCue& cue);

    const Subtitles& subtitles_;
    int width_;
    int height_;
    int outlineRadius_;
    std::string fontBytes_;  // FreeType reads the face from here while it lives
    std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library_;
    std::unique_ptr<FT_FaceRec_, FaceDeleter> face_;
    std::map<char32_t, Glyph> glyphs_;
    const SubtitleCue* laidOut_ = nullptr;
    Block block_;
};

}  // namespace hotaru
