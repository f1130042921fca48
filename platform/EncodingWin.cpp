#include "platform/Encoding.h"
#include "platform/Utf16.h"

#include <windows.h>

namespace hotaru {

std::optional<std::string> cp932ToUtf8(std::string_view text)
{
    if (text.empty())
        return std::string();
    constexpr UINT ShiftJis = 932;
    const int size = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(ShiftJis, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (wide <= 0)
        return std::nullopt;
    std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(ShiftJis, MB_ERR_INVALID_CHARS, text.data(), size, utf16.data(), wide);
    return narrow(utf16);
}

}  // namespace hotaru
