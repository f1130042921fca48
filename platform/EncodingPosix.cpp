#include "platform/Encoding.h"

#include <iconv.h>

namespace hotaru {

namespace {

std::optional<std::string> convert(std::string_view text, const char* toCode, const char* fromCode)
{
    iconv_t cd = iconv_open(toCode, fromCode);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string in(text);
    // Each byte becomes at most three of UTF-8, or two of code page 932.
    std::string out(in.size() * 3, '\0');
    char* from = in.data();
    char* to = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const std::size_t r = iconv(cd, &from, &inLeft, &to, &outLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::optional<std::string> cp932ToUtf8(std::string_view text) { return convert(text, "UTF-8", "CP932"); }

std::optional<std::string> utf8ToCp932(std::string_view text) { return convert(text, "CP932", "UTF-8"); }

}  // namespace hotaru
