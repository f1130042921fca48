#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hotaru {

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view text);

// UTF-16 code units in UTF-8; a lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view units);

// `text` read as code page 932 (Shift-JIS as Japanese Windows writes it), in
// UTF-8; nothing when it is not valid there.
std::optional<std::string> cp932ToUtf8(std::string_view text);
// And back: UTF-8 in code page 932; nothing when a character has no place there.
std::optional<std::string> utf8ToCp932(std::string_view text);

}  // namespace hotaru
