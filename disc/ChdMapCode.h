#pragma once
// The bits of a CHD's compressed map and the Huffman code they are written in.

#include <array>
#include <cstddef>
#include <cstdint>

namespace hotaru::disc::chd {

// Most significant bit first; past the end it reads zeros and remembers it.
class BitReader {
public:
    BitReader(const std::uint8_t* p, std::size_t n) : p_(p), bits_(n * 8) {}
    std::uint32_t read(int count)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i, ++at_)
            v = v << 1 | (at_ < bits_ ? (p_[at_ >> 3] >> (7 - (at_ & 7))) & 1 : 0);
        return v;
    }
    std::uint32_t peek(int count) const
    {
        std::uint32_t v = 0;
        for (std::size_t i = 0, at = at_; i < static_cast<std::size_t>(count); ++i, ++at)
            v = v << 1 | (at < bits_ ? (p_[at >> 3] >> (7 - (at & 7))) & 1 : 0);
        return v;
    }
    void skip(int count) { at_ += static_cast<std::size_t>(count); }
    bool overflowed() const { return at_ > bits_; }

private:
    const std::uint8_t* p_;
    std::size_t bits_;
    std::size_t at_ = 0;
};

// The map's canonical Huffman code: 16 symbols, at most 8 bits each.
class MapCode {
public:
    bool importTree(BitReader& in)
    {
        constexpr int LengthBits = 4;
        std::array<int, Symbols> lengths{};
        for (int sym = 0; sym < Symbols;) {
            int n = static_cast<int>(in.read(LengthBits));
            if (n != 1) {
                lengths[sym++] = n;
                continue;
            }
            n = static_cast<int>(in.read(LengthBits));
            if (n == 1) {
                lengths[sym++] = n;
                continue;
            }
            const int repeat = static_cast<int>(in.read(LengthBits)) + 3;
            if (sym + repeat > Symbols)
                return false;
            for (int k = 0; k < repeat; ++k)
                lengths[sym++] = n;
        }
        // The first code of each length, counted from the longest.
        std::array<std::uint32_t, 33> start{};
        for (const int len : lengths) {
            if (len > MaxBits)
                return false;
            ++start[static_cast<std::size_t>(len)];
        }
        std::uint32_t code = 0;
        for (int len = 32; len > 0; --len) {
            const std::uint32_t next = (code + start[static_cast<std::size_t>(len)]) >> 1;
            if (len != 1 && next * 2 != code + start[static_cast<std::size_t>(len)])
                return false;
            start[static_cast<std::size_t>(len)] = code;
            code = next;
        }
        lookup_.fill(0);
        for (int sym = 0; sym < Symbols; ++sym) {
            const int len = lengths[static_cast<std::size_t>(sym)];
            if (len == 0)
                continue;
            const std::uint32_t bits = start[static_cast<std::size_t>(len)]++;
            // More codes of this length than it has room for: no code at all.
            if (bits >> len != 0)
                return false;
            const int shift = MaxBits - len;
            for (std::uint32_t k = bits << shift; k < ((bits + 1) << shift); ++k)
                lookup_[k] = static_cast<std::uint16_t>(sym << 8 | len);
        }
        return true;
    }
    // -1 for a code that no symbol has.
    int decode(BitReader& in) const
    {
        const std::uint16_t e = lookup_[in.peek(MaxBits)];
        if ((e & 0xFF) == 0)
            return -1;
        in.skip(e & 0xFF);
        return e >> 8;
    }

private:
    static constexpr int Symbols = 16;
    static constexpr int MaxBits = 8;
    std::array<std::uint16_t, 1 << MaxBits> lookup_{};
};

}  // namespace hotaru::disc::chd
