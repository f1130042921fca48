#include "platform/Encoding.h"

#include <iconv.h>

namespace hotaru {

std::optional<std::string> cp932ToUtf8(std::string_view text)
{
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string in(text);
    // Each byte of code page 932 becomes at most three of UTF-8.
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

}  // namespace hotaru
