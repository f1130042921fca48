#include "disc/CdSector.h"

#include "platform/Bytes.h"

#include "disc/EdcFold.h"

#include <array>
#include <cstring>

namespace hotaru::disc {

const std::uint8_t SyncPattern[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

namespace {

struct Tables {
    std::array<std::uint8_t, 256> b{};  // division by 3 in GF(2^8)
    // edc[0] the byte-wise table; edc[k] steps over k more zero bytes, so
    // that eight bytes go at a time (every raw sector read is checked).
    std::array<std::array<std::uint32_t, 256>, 8> edc{};
    Tables()
    {
        for (unsigned i = 0; i < 256; ++i) {
            const unsigned j = (i << 1) ^ ((i & 0x80) ? 0x11D : 0);
            b[i ^ j] = static_cast<std::uint8_t>(i);
            std::uint32_t e = i;
            for (int k = 0; k < 8; ++k)
                e = (e >> 1) ^ ((e & 1) ? 0xD8018001u : 0);
            edc[0][i] = e;
        }
        for (std::size_t k = 1; k < edc.size(); ++k)
            for (unsigned i = 0; i < 256; ++i)
                edc[k][i] = (edc[k - 1][i] >> 8) ^ edc[0][edc[k - 1][i] & 0xFF];
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

void writeHeader(std::uint8_t* sector, std::int64_t lba, std::uint8_t mode)
{
    std::memcpy(sector, SyncPattern, sizeof SyncPattern);
    const std::int64_t address = lba + LeadInFrames;
    sector[12] = bcd(static_cast<int>(address / (60 * 75)));
    sector[13] = bcd(static_cast<int>(address / 75 % 60));
    sector[14] = bcd(static_cast<int>(address % 75));
    sector[15] = mode;
}

void storeEdc(std::uint8_t* at, std::uint32_t check)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(check >> (8 * i));
}

}  // namespace

SectorLayout layoutOf(TrackMode mode, std::size_t subchannel)
{
    switch (mode) {
    case TrackMode::Mode1Raw:
        return {RawSectorSize + subchannel, Mode1DataOffset};
    case TrackMode::Mode2Raw:
        return {RawSectorSize + subchannel, Mode2DataOffset};
    case TrackMode::Mode2Cooked:
        return {2336, 8};
    case TrackMode::Audio:
        return {RawSectorSize + subchannel, 0};
    default:
        return {2048, 0};
    }
}

bool startsWithSync(const std::uint8_t* sector) { return std::memcmp(sector, SyncPattern, sizeof SyncPattern) == 0; }

std::uint32_t edc(const std::uint8_t* data, std::size_t n)
{
    const auto& t = tables().edc;
    std::uint32_t e = 0;
    if (n >= 64 && edcFoldAvailable()) {
        const std::size_t folded = n & ~std::size_t{15};
        e = edcFold(e, data, folded);
        data += folded;
        n -= folded;
    }
    for (; n >= 8; n -= 8, data += 8) {
        const std::uint32_t lo = e ^ littleEndian32(data);
        const std::uint32_t hi = littleEndian32(data + 4);
        e = t[7][lo & 0xFF] ^ t[6][lo >> 8 & 0xFF] ^ t[5][lo >> 16 & 0xFF] ^ t[4][lo >> 24] ^ t[3][hi & 0xFF] ^
            t[2][hi >> 8 & 0xFF] ^ t[1][hi >> 16 & 0xFF] ^ t[0][hi >> 24];
    }
    for (; n > 0; --n, ++data)
        e = (e >> 8) ^ t[0][(e ^ *data) & 0xFF];
    return e;
}

bool edcMatches(const std::uint8_t* sector)
{
    std::size_t from = 0, to = 2064;  // mode 1: sync, header and data
    if (sector[15] == 2) {
        // Mode 2: form 1 only (form 2 carries no user data for us), over
        // subheader and data.
        if (sector[18] & 0x20)
            return true;
        from = 16;
        to = 2072;
    }
    const std::uint32_t stored = littleEndian32(sector + to);
    // Some tools write raw sectors with no EDC at all: nothing to check.
    return stored == 0 || edc(sector + from, to - from) == stored;
}

void generateEcc(std::uint8_t* sector)
{
    // Mode 2 form 1 parity takes the header as zeros, so that it holds
    // wherever the sector is copied to.
    const bool mode2 = sector[15] == 2;
    std::uint8_t header[4];
    std::memcpy(header, sector + 12, sizeof header);
    if (mode2)
        std::memset(sector + 12, 0, sizeof header);
    eccColumns<PRows, PWidth>(sector + 12, sector + 2076);
    // Q covers P: gathered into rows only after P is written.
    const auto& order = qOrder();
    std::uint8_t q[QSize];
    for (std::size_t i = 0; i < QSize; ++i)
        q[i] = sector[12 + order[i]];
    eccColumns<QRows, QWidth>(q, sector + 2248);
    std::memcpy(sector + 12, header, sizeof header);
}

void makeMode1Sector(std::uint8_t* sector, std::int64_t lba, const std::uint8_t* userData)
{
    writeHeader(sector, lba, 1);
    std::memcpy(sector + Mode1DataOffset, userData, UserDataSize);
    storeEdc(sector + 2064, edc(sector, 2064));
    std::memset(sector + 2068, 0, 8);
    generateEcc(sector);
}

void makeMode2Form1Sector(std::uint8_t* sector, std::int64_t lba, const std::uint8_t* userData)
{
    writeHeader(sector, lba, 2);
    // File 0, channel 0, submode "data" (form 1), no coding information.
    const std::uint8_t subheader[4] = {0x00, 0x00, 0x08, 0x00};
    std::memcpy(sector + 16, subheader, sizeof subheader);
    std::memcpy(sector + 20, subheader, sizeof subheader);
    std::memcpy(sector + Mode2DataOffset, userData, UserDataSize);
    storeEdc(sector + 2072, edc(sector + 16, 2072 - 16));
    generateEcc(sector);
}

}  // namespace hotaru::disc
