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

std::optional<std::string> utf8ToCp932(std::string_view text)
{
    if (text.empty())
        return std::string();
    constexpr UINT ShiftJis = 932;
    const std::wstring utf16 = widen(std::string(text));
    const int wide = static_cast<int>(utf16.size());
    BOOL lossy = FALSE;
    const int size =
        WideCharToMultiByte(ShiftJis, WC_NO_BEST_FIT_CHARS, utf16.data(), wide, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(ShiftJis, WC_NO_BEST_FIT_CHARS, utf16.data(), wide, out.data(), size, nullptr, &lossy);
    return out;
}

}  // namespace hotaru
