#include "disc/CdSector.h"

#include <array>
#include <cstring>

namespace hotaru::disc {

const std::uint8_t SyncPattern[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

namespace {

struct Tables {
    std::array<std::uint8_t, 256> b{};  // division by 3 in GF(2^8)
    std::array<std::uint32_t, 256> edc{};
    Tables()
    {
        for (unsigned i = 0; i < 256; ++i) {
            const unsigned j = (i << 1) ^ ((i & 0x80) ? 0x11D : 0);
            b[i ^ j] = static_cast<std::uint8_t>(i);
            std::uint32_t e = i;
            for (int k = 0; k < 8; ++k)
                e = (e >> 1) ^ ((e & 1) ? 0xD8018001u : 0);
            edc[i] = e;
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

std::uint8_t times2(std::uint8_t v) { return static_cast<std::uint8_t>(v << 1 ^ ((v & 0x80) ? 0x1D : 0)); }

// The parity of a Reed-Solomon product code over `Rows` rows of `Width` bytes,
// one column per codeword; written column by column so the compiler can do
// many columns at once.
template <std::size_t Rows, std::size_t Width>
void eccColumns(const std::uint8_t* rows, std::uint8_t* dest)
{
    std::uint8_t a[Width] = {}, b[Width] = {};
    for (std::size_t r = 0; r < Rows; ++r, rows += Width)
        for (std::size_t c = 0; c < Width; ++c) {
            const std::uint8_t v = rows[c];
            a[c] = times2(a[c] ^ v);
            b[c] ^= v;
        }
    const Tables& t = tables();
    for (std::size_t c = 0; c < Width; ++c) {
        const std::uint8_t x = t.b[times2(a[c]) ^ b[c]];
        dest[c] = x;
        dest[c + Width] = x ^ b[c];
    }
}

// P runs down the 24 rows of 86 bytes from byte 12; Q along the diagonals of
// the same bytes and P, 43 steps of 88 bytes (wrapping) for each of 52 words.
constexpr std::size_t PRows = 24, PWidth = 86, QRows = 43, QWidth = 52, QSize = QRows * QWidth;

const std::array<std::uint16_t, QSize>& qOrder()
{
    static const auto order = [] {
        std::array<std::uint16_t, QSize> o{};
        for (std::size_t major = 0; major < QWidth; ++major) {
            std::size_t index = (major >> 1) * 86 + (major & 1);
            for (std::size_t minor = 0; minor < QRows; ++minor) {
                o[minor * QWidth + major] = static_cast<std::uint16_t>(index);
                index = (index + 88) % QSize;
            }
        }
        return o;
    }();
    return order;
}

std::uint8_t bcd(int v) { return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10)); }

}  // namespace

bool startsWithSync(const std::uint8_t* sector) { return std::memcmp(sector, SyncPattern, sizeof SyncPattern) == 0; }

std::uint32_t edc(const std::uint8_t* data, std::size_t n)
{
    const Tables& t = tables();
    std::uint32_t e = 0;
    for (std::size_t i = 0; i < n; ++i)
        e = (e >> 8) ^ t.edc[(e ^ data[i]) & 0xFF];
    return e;
}

void generateEcc(std::uint8_t* sector)
{
    eccColumns<PRows, PWidth>(sector + 12, sector + 2076);
    // Q covers P: gathered into rows only after P is written.
    const auto& order = qOrder();
    std::uint8_t q[QSize];
    for (std::size_t i = 0; i < QSize; ++i)
        q[i] = sector[12 + order[i]];
    eccColumns<QRows, QWidth>(q, sector + 2248);
}

void makeMode1Sector(std::uint8_t* sector, std::int64_t lba, const std::uint8_t* userData)
{
    std::memcpy(sector, SyncPattern, sizeof SyncPattern);
    const std::int64_t address = lba + LeadInFrames;
    sector[12] = bcd(static_cast<int>(address / (60 * 75)));
    sector[13] = bcd(static_cast<int>(address / 75 % 60));
    sector[14] = bcd(static_cast<int>(address % 75));
    sector[15] = 1;
    std::memcpy(sector + Mode1DataOffset, userData, UserDataSize);
    const std::uint32_t check = edc(sector, 2064);
    for (int i = 0; i < 4; ++i)
        sector[2064 + i] = static_cast<std::uint8_t>(check >> (8 * i));
    std::memset(sector + 2068, 0, 8);
    generateEcc(sector);
}

}  // namespace hotaru::disc
