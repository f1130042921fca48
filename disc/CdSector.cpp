#include "disc/CdSector.h"

#include <array>
#include <cstring>

namespace hotaru::disc {

const std::uint8_t SyncPattern[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

namespace {

struct Tables {
    std::array<std::uint8_t, 256> f{};  // multiplication by 2 in GF(2^8)
    std::array<std::uint8_t, 256> b{};  // division by 3
    std::array<std::uint32_t, 256> edc{};
    Tables()
    {
        for (unsigned i = 0; i < 256; ++i) {
            const unsigned j = (i << 1) ^ ((i & 0x80) ? 0x11D : 0);
            f[i] = static_cast<std::uint8_t>(j);
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

// One of the two Reed-Solomon product codes over the sector from byte 12.
void eccBlock(const std::uint8_t* src, std::size_t majorCount, std::size_t minorCount, std::size_t majorMult,
              std::size_t minorInc, std::uint8_t* dest)
{
    const Tables& t = tables();
    const std::size_t size = majorCount * minorCount;
    for (std::size_t major = 0; major < majorCount; ++major) {
        std::size_t index = (major >> 1) * majorMult + (major & 1);
        std::uint8_t a = 0, b = 0;
        for (std::size_t minor = 0; minor < minorCount; ++minor) {
            const std::uint8_t v = src[index];
            index += minorInc;
            if (index >= size)
                index -= size;
            a ^= v;
            b ^= v;
            a = t.f[a];
        }
        a = t.b[t.f[a] ^ b];
        dest[major] = a;
        dest[major + majorCount] = a ^ b;
    }
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
    eccBlock(sector + 12, 86, 24, 2, 86, sector + 2076);
    eccBlock(sector + 12, 52, 43, 86, 88, sector + 2248);
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
