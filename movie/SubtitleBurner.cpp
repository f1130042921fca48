#include "movie/SubtitleBurner.h"

#include "platform/File.h"
#include "platform/InOutError.h"

#ifdef _WIN32
#include "platform/Utf16.h"
#else
#include <fontconfig/fontconfig.h>
#endif

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace hotaru {

namespace {

// Past this a "font" is more likely a wrong file than a font.
constexpr std::int64_t MaxFontBytes = 64 * 1024 * 1024;
// Luma of the letters and of their outline; chroma of grey.
constexpr int White = 235;
constexpr int Dark = 16;
constexpr int Grey = 128;

struct FontChoice {
    std::string path;  // empty when there is none
    int index = 0;     // the face within a collection (.ttc)
};

std::string environment(const char* name)
{
#ifdef _WIN32
    const std::wstring wide(name, name + std::strlen(name));
    const wchar_t* value = _wgetenv(wide.c_str());
    return value ? narrow(value) : std::string();
#else
    const char* value = std::getenv(name);
    return value ? value : std::string();
#endif
}

FontChoice findFont()
{
    if (std::string path = environment("HOTARU_SUBTITLE_FONT"); !path.empty())
        return {path, 0};
#ifdef _WIN32
    // The fonts Japanese Windows has, then one every Windows has.
    const std::string windows = environment("WINDIR");
    if (!windows.empty())
        for (const char* name : {"YuGothM.ttc", "meiryo.ttc", "msgothic.ttc", "arial.ttf"})
            if (const std::string path = windows + "\\Fonts\\" + name; isRegularFile(path))
                return {path, 0};
    return {};
#else
    FontChoice choice;
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
    if (config && pattern && FcConfigSubstitute(config, pattern, FcMatchPattern)) {
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                choice.path = reinterpret_cast<const char*>(file);
            FcPatternGetInteger(match, FC_INDEX, 0, &choice.index);
            FcPatternDestroy(match);
        }
    }
    if (pattern)
        FcPatternDestroy(pattern);
    if (config)
        FcConfigDestroy(config);
    return choice;
#endif
}

std::u32string codePoints(std::string_view utf8)
{
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        out += c;
        i += length;
    }
    return out;
}

// Blends `value` towards `target` by `alpha` (0..255).
void blend(std::uint8_t& value, int target, int alpha)
{
    value = static_cast<std::uint8_t>(value + (target - value) * alpha / 255);
}

}  // namespace

SubtitleBurner::FontError::FontError(Reason reason, std::string font, int pixels)
    : std::runtime_error("subtitle font: " + (font.empty() ? std::string("none found") : font)), reason(reason),
      font(std::move(font)), pixels(pixels)
{
}

void SubtitleBurner::LibraryDeleter::operator()(FT_LibraryRec_* library) const { FT_Done_FreeType(library); }
void SubtitleBurner::FaceDeleter::operator()(FT_FaceRec_* face) const { FT_Done_Face(face); }

SubtitleBurner::SubtitleBurner(const Subtitles& subtitles, int width, int height)
    : subtitles_(subtitles), width_(width), height_(height)
{
    const FontChoice font = findFont();
    if (font.path.empty())
        throw FontError(FontError::NoFont, {});
    try {
        File file = File::openRead(font.path);
        const std::int64_t size = file.size();
        if (size > MaxFontBytes)
            throw FontError(FontError::TooLarge, font.path);
        fontBytes_.resize(static_cast<std::size_t>(size));
        file.readExact(fontBytes_.data(), fontBytes_.size());
    } catch (const EInOutError&) {
        throw FontError(FontError::Unreadable, font.path);
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        throw std::bad_alloc();
    library_.reset(library);
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(fontBytes_.data()),
                           static_cast<FT_Long>(fontBytes_.size()), font.index, &face) != 0)
        throw FontError(FontError::NotAFont, font.path);
    face_.reset(face);
    // Letters a twelfth of the picture's height, never too small to read.
    const int pixels = std::max(8, height_ / 12);
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels)) != 0)
        throw FontError(FontError::NoSize, font.path, pixels);
    outlineRadius_ = std::max(1, pixels / 10);
}

SubtitleBurner::~SubtitleBurner() = default;

const SubtitleBurner::Glyph& SubtitleBurner::glyph(char32_t c)
{
    if (const auto it = glyphs_.find(c); it != glyphs_.end())
        return it->second;
    Glyph& g = glyphs_[c];
    // A letter the font lacks takes no room.
    if (FT_Load_Char(face_.get(), c, FT_LOAD_RENDER) != 0)
        return g;
    const FT_GlyphSlot slot = face_->glyph;
    g.advance = static_cast<int>(slot->advance.x >> 6);
    if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return g;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(slot->bitmap.width);
    g.rows = static_cast<int>(slot->bitmap.rows);
    g.coverage.resize(std::size_t(g.width) * std::size_t(g.rows));
    for (int y = 0; y < g.rows; ++y)
        std::memcpy(g.coverage.data() + std::size_t(y) * std::size_t(g.width),
                    slot->bitmap.buffer + std::ptrdiff_t(y) * slot->bitmap.pitch, std::size_t(g.width));
    return g;
}

// The text's lines, each broken to the picture's width: at its last space
// where it has one, else (Japanese) between any two letters.
std::vector<std::u32string> SubtitleBurner::wrapped(const std::string& text)
{
    const int maxWidth = std::max(1, width_ - 2 * (width_ / 20) - 2 * outlineRadius_);
    std::vector<std::u32string> lines;
    const std::u32string all = codePoints(text);
    for (std::size_t from = 0; from <= all.size();) {
        const std::size_t end = std::min(all.find(U'\n', from), all.size());
        std::u32string line;
        int lineWidth = 0;
        for (std::size_t i = from; i < end; ++i) {
            const char32_t c = all[i];
            const int advance = glyph(c).advance;
            if (lineWidth + advance > maxWidth && !line.empty()) {
                const std::size_t space = line.rfind(U' ');
                std::u32string rest;
                if (space != std::u32string::npos && space > 0) {
                    rest = line.substr(space + 1);
                    line.resize(space);
                }
                lines.push_back(line);
                line = rest;
                lineWidth = 0;
                for (char32_t r : line)
                    lineWidth += glyph(r).advance;
            }
            if (line.empty() && c == U' ')
                continue;
            line += c;
            lineWidth += advance;
        }
        lines.push_back(line);
        from = end + 1;
    }
    return lines;
}

void SubtitleBurner::layOut(const SubtitleCue& cue)
{
    laidOut_ = &cue;
    const std::vector<std::u32string> lines = wrapped(cue.text);
    const FT_Size_Metrics& metrics = face_->size->metrics;
    const int ascender = static_cast<int>(metrics.ascender >> 6);
    const int lineHeight = std::max(1, static_cast<int>((metrics.height + 63) >> 6));
    const int r = outlineRadius_;
    std::vector<int> widths;
    int inner = 0;
    for (const std::u32string& line : lines) {
        int w = 0;
        for (char32_t c : line)
            w += glyph(c).advance;
        widths.push_back(w);
        inner = std::max(inner, w);
    }
    Block& b = block_;
    b.width = inner + 2 * r;
    b.height = static_cast<int>(lines.size()) * lineHeight + 2 * r;
    b.x = (width_ - b.width) / 2;
    b.y = height_ - height_ / 20 - b.height;
    b.fill.assign(std::size_t(b.width) * std::size_t(b.height), 0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int baseline = r + static_cast<int>(i) * lineHeight + ascender;
        int pen = r + (inner - widths[i]) / 2;
        for (char32_t c : lines[i]) {
            const Glyph& g = glyph(c);
            for (int y = 0; y < g.rows; ++y)
                for (int x = 0; x < g.width; ++x) {
                    const int bx = pen + g.left + x;
                    const int by = baseline - g.top + y;
                    if (bx < 0 || by < 0 || bx >= b.width || by >= b.height)
                        continue;
                    std::uint8_t& to = b.fill[std::size_t(by) * std::size_t(b.width) + std::size_t(bx)];
                    to = std::max(to, g.coverage[std::size_t(y) * std::size_t(g.width) + std::size_t(x)]);
                }
            pen += g.advance;
        }
    }
    // The outline: the letters spread by r pixels in every direction.
    b.outline.assign(b.fill.size(), 0);
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
            const std::uint8_t a = b.fill[std::size_t(y) * std::size_t(b.width) + std::size_t(x)];
            if (a == 0)
                continue;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    const int ox = x + dx, oy = y + dy;
                    if (dx * dx + dy * dy > r * r + r || ox < 0 || oy < 0 || ox >= b.width || oy >= b.height)
                        continue;
                    std::uint8_t& to = b.outline[std::size_t(oy) * std::size_t(b.width) + std::size_t(ox)];
                    to = std::max(to, a);
                }
        }
}

void SubtitleBurner::draw(AVFrame& picture, std::int64_t ms)
{
    const SubtitleCue* cue = cueAt(subtitles_, ms);
    if (!cue)
        return;
    if (cue != laidOut_)
        layOut(*cue);
    const Block& b = block_;
    const int x0 = std::max(0, b.x), x1 = std::min(width_, b.x + b.width);
    const int y0 = std::max(0, b.y), y1 = std::min(height_, b.y + b.height);
    const auto at = [&](const std::vector<std::uint8_t>& mask, int x, int y) {
        return int(mask[std::size_t(y - b.y) * std::size_t(b.width) + std::size_t(x - b.x)]);
    };
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* row = picture.data[0] + std::ptrdiff_t(y) * picture.linesize[0];
        for (int x = x0; x < x1; ++x) {
            blend(row[x], Dark, at(b.outline, x, y));
            blend(row[x], White, at(b.fill, x, y));
        }
    }
    // 4:2:0: one chroma sample for each 2x2 block, made grey where anything is drawn.
    for (int y = y0 / 2; y < (y1 + 1) / 2; ++y)
        for (int x = x0 / 2; x < (x1 + 1) / 2; ++x) {
            int alpha = 0;
            for (int k = 0; k < 4; ++k) {
                const int lx = 2 * x + (k & 1), ly = 2 * y + (k >> 1);
                if (lx >= x0 && lx < x1 && ly >= y0 && ly < y1)
                    alpha = std::max(alpha, at(b.outline, lx, ly));
            }
            for (int plane = 1; plane <= 2; ++plane)
                blend(picture.data[plane][std::ptrdiff_t(y) * picture.linesize[plane] + x], Grey, alpha);
        }
}

}  // namespace hotaru
