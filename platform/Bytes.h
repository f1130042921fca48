#pragma once
// Numbers as files store them, in either byte order, and the ASCII case
// folding that names, extensions and descriptor keys get: written once for
// every reader of a format.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hotaru {

// The `n` bytes (at most 8) at `p` as an unsigned number, most significant first.
template <typename Byte>
constexpr std::uint64_t bigEndian(const Byte* p, std::size_t n)
{
    static_assert(sizeof(Byte) == 1);
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
        v = v << 8 | static_cast<std::uint8_t>(p[i]);
    return v;
}

// The same, least significant first.
template <typename Byte>
constexpr std::uint64_t littleEndian(const Byte* p, std::size_t n)
{
    static_assert(sizeof(Byte) == 1);
    std::uint64_t v = 0;
    for (std::size_t i = n; i-- > 0;)
        v = v << 8 | static_cast<std::uint8_t>(p[i]);
    return v;
}

template <typename Byte>
constexpr std::uint32_t bigEndian32(const Byte* p)
{
    return static_cast<std::uint32_t>(bigEndian(p, 4));
}
template <typename Byte>
constexpr std::uint16_t bigEndian16(const Byte* p)
{
    return static_cast<std::uint16_t>(bigEndian(p, 2));
}
template <typename Byte>
constexpr std::uint32_t littleEndian32(const Byte* p)
{
    return static_cast<std::uint32_t>(littleEndian(p, 4));
}
template <typename Byte>
constexpr std::uint16_t littleEndian16(const Byte* p)
{
    return static_cast<std::uint16_t>(littleEndian(p, 2));
}

// A-Z and a-z only: what file systems and descriptors fold; any other byte,
// UTF-8 included, is left as it is.
constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
inline std::string asciiLower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}
inline std::string asciiUpper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = asciiUpper(c);
    return out;
}
// Whether `text` ends in `suffix`, capitals or not.
constexpr bool endsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (asciiLower(text[text.size() - suffix.size() + i]) != asciiLower(suffix[i]))
            return false;
    return true;
}

}  // namespace hotaru
