#include "platform/Encoding.h"

#include <cstdint>

namespace hotaru {

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<std::uint8_t>(text[i]);
        std::size_t more = 0;
        std::uint32_t code = 0, least = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0)
            more = 1, code = c & 0x1F, least = 0x80;
        else if ((c & 0xF0) == 0xE0)
            more = 2, code = c & 0x0F, least = 0x800;
        else if ((c & 0xF8) == 0xF0)
            more = 3, code = c & 0x07, least = 0x10000;
        else
            return false;
        if (more > text.size() - i - 1)
            return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto b = static_cast<std::uint8_t>(text[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (b & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

std::string utf16ToUtf8(std::u16string_view units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace hotaru
