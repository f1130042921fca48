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

}  // namespace hotaru
