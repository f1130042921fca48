#include "catalogue/NameTemplate.h"

#include "catalogue/Catalogue.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

namespace hotaru {

namespace {

bool forbiddenOnWindows(char c)
{
    constexpr std::string_view forbidden = "<>:\"/\\|?*";
    return static_cast<unsigned char>(c) < 0x20 || forbidden.find(c) != std::string_view::npos;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Windows opens the device instead of the file for these, whatever follows
// the first dot; the superscript digits count as digits there.
bool isDeviceName(std::string_view part)
{
    std::string lower(part);
    std::transform(lower.begin(), lower.end(), lower.begin(), lowerAscii);
    static constexpr std::array<std::string_view, 6> plain{"con", "prn", "aux", "nul", "conin$", "conout$"};
    if (std::find(plain.begin(), plain.end(), lower) != plain.end())
        return true;
    if (!lower.starts_with("com") && !lower.starts_with("lpt"))
        return false;
    const std::string_view digit = std::string_view(lower).substr(3);
    static constexpr std::array<std::string_view, 3> superscripts{"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
    return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') ||
           std::find(superscripts.begin(), superscripts.end(), digit) != superscripts.end();
}

// The name as every system can store it.
std::string portableName(std::string name)
{
    std::replace_if(name.begin(), name.end(), forbiddenOnWindows, '_');
    while (!name.empty() && (name.back() == ' ' || name.back() == '.'))
        name.pop_back();
    // Windows also ignores spaces before the first dot when it looks for a device.
    std::size_t end = std::min(name.find('.'), name.size());
    while (end > 0 && name[end - 1] == ' ')
        --end;
    if (isDeviceName(std::string_view(name).substr(0, end)))
        name.insert(end, 1, '_');
    return name;
}

std::string zeroPadded(std::int32_t number, int width)
{
    std::string digits = std::to_string(number);
    if (std::cmp_less(digits.size(), width))
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

}  // namespace

NameTemplate::NameTemplate(std::string text) : text_(std::move(text))
{
    parse();
    if (valid())
        tryEveryMovie();
    if (!valid())
        pieces_.clear();
}

void NameTemplate::parse()
{
    const auto fail = [this](NameTemplateError error, std::string field) {
        check_.error = error;
        check_.field = std::move(field);
    };
    std::string literal;
    const auto endLiteral = [&] {
        if (!literal.empty())
            pieces_.push_back({Kind::Text, std::exchange(literal, {}), 0});
    };
    for (std::size_t i = 0; i < text_.size(); ++i) {
        const char c = text_[i];
        const bool doubled = i + 1 < text_.size() && text_[i + 1] == c;
        if ((c == '{' || c == '}') && doubled) {
            literal += c;
            ++i;
        } else if (c == '}') {
            return fail(NameTemplateError::StrayBrace, "}");
        } else if (c == '{') {
            const std::size_t close = text_.find('}', i + 1);
            if (close == std::string::npos)
                return fail(NameTemplateError::UnclosedBrace, text_.substr(i));
            const std::string field = text_.substr(i + 1, close - i - 1);
            Piece piece;
            if (field == "title") {
                piece.kind = Kind::Title;
            } else if (field == "title_en") {
                piece.kind = Kind::EnglishTitle;
            } else if (field == "disc") {
                piece.kind = Kind::Disc;
            } else if (field == "n") {
                piece.kind = Kind::Number;
            } else if (field.size() == 4 && field.starts_with("n:0") && field[3] >= '1' && field[3] <= '9') {
                piece.kind = Kind::Number;
                piece.width = field[3] - '0';
            } else {
                return fail(NameTemplateError::UnknownField, field);
            }
            endLiteral();
            pieces_.push_back(std::move(piece));
            i = close;
        } else if (c == '/' || c == '\\') {
            return fail(NameTemplateError::Separator, std::string(1, c));
        } else {
            literal += c;
        }
    }
    endLiteral();
}

void NameTemplate::tryEveryMovie()
{
    for (std::int32_t disc : {1, 2}) {
        for (std::int32_t movie = 1; movie <= movieCount(disc); ++movie) {
            std::string raw = expand(disc, movie);
            NameTemplateError error = NameTemplateError::None;
            if (raw == "." || raw == "..")
                error = NameTemplateError::OutsideFolder;
            else if (portableName(raw).empty())
                error = NameTemplateError::EmptyName;
            if (error != NameTemplateError::None) {
                check_ = {error, std::move(raw), disc, movie};
                return;
            }
        }
    }
}

std::string NameTemplate::expand(std::int32_t disc, std::int32_t movie) const
{
    std::string name;
    for (const Piece& piece : pieces_) {
        switch (piece.kind) {
        case Kind::Text:
            name += piece.text;
            break;
        case Kind::Title:
            name += movieTitle(disc, movie);
            break;
        case Kind::EnglishTitle:
            name += movieEnglishTitle(disc, movie);
            break;
        case Kind::Number:
            name += zeroPadded(movie, piece.width);
            break;
        case Kind::Disc:
            name += std::to_string(disc);
            break;
        }
    }
    return name;
}

std::string NameTemplate::nameFor(std::int32_t disc, std::int32_t movie) const
{
    return portableName(expand(disc, movie));
}

}  // namespace hotaru
