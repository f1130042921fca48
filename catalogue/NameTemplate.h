#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hotaru {

// Why a naming template is refused.
enum class NameTemplateError {
    None,
    UnknownField,   // "{...}" names no field, or gives {n} a width other than 01..09
    UnclosedBrace,  // a "{" that no "}" closes
    StrayBrace,     // a "}" that closes nothing; "}}" is a literal one
    Separator,      // "/" or "\" in the text: a movie's name is never a path
    EmptyName,      // the name comes out empty for some movie
    OutsideFolder,  // the name comes out "." or ".." for some movie
};

struct NameTemplateCheck {
    NameTemplateError error = NameTemplateError::None;
    // The offending field ("titel", "n:2"), the unclosed text, the brace or
    // separator; for the last two, the name as it came out.
    std::string field;
    // For the last two, the first movie it came out so for.
    std::int32_t disc = 0;
    std::int32_t movie = 0;
};

// How a movie's files are named, as "{n:02} {title_en}": fields in braces,
// the rest as it is. Fields: {title} (the catalogue's title), {title_en},
// {n} (the movie's number; {n:0W} pads it with zeros to W digits, W 1..9),
// {disc}; "{{" and "}}" are literal braces.
//
// Names must be valid on every system, so a folder can move between them:
// characters Windows refuses become "_", trailing spaces and dots go (Windows
// drops them), and a Windows device name such as "con" or "nul.x" gets a "_"
// after its first part.
class NameTemplate {
public:
    static constexpr std::string_view Default = "{title}";

    // Parses and tries the template on every movie of both discs, so a
    // template that fails for any movie is refused before anything is written.
    NameTemplate() : NameTemplate(std::string(Default)) {}
    explicit NameTemplate(std::string text);

    const std::string& text() const noexcept { return text_; }
    const NameTemplateCheck& check() const noexcept { return check_; }
    bool valid() const noexcept { return check_.error == NameTemplateError::None; }

    // The name of movie `movie` of `disc` without extension; only when valid().
    std::string nameFor(std::int32_t disc, std::int32_t movie) const;

private:
    enum class Kind { Text, Title, EnglishTitle, Number, Disc };
    struct Piece {
        Kind kind = Kind::Text;
        std::string text;  // Kind::Text only
        int width = 0;     // Kind::Number: zero-padded to this many digits
    };

    void parse();
    void tryEveryMovie();
    std::string expand(std::int32_t disc, std::int32_t movie) const;

    std::string text_;
    std::vector<Piece> pieces_;
    NameTemplateCheck check_;
};

}  // namespace hotaru
