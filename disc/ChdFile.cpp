#include "disc/ChdFile.h"

#include "platform/Bytes.h"

#include "disc/CdSector.h"
#include "disc/ChdCodecs.h"
#include "disc/ChdMapCode.h"
#include "disc/ImageError.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sstream>

namespace hotaru::disc::chd {

std::string codecName(std::uint32_t c)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto ch = static_cast<char>((c >> shift) & 0xFF);
        s += ch >= 0x20 && ch < 0x7F ? ch : '?';
    }
    return s;
}

// CRC-16/CCITT, eight bytes a step: table k holds a byte's CRC followed by k
// zero bytes, so a step is eight independent lookups.
std::uint16_t crc16(const std::uint8_t* p, std::size_t n)
{
    using Table = std::array<std::uint16_t, 256>;
    static const auto tables = [] {
        std::array<Table, 8> t{};
        for (unsigned i = 0; i < 256; ++i) {
            std::uint16_t c = static_cast<std::uint16_t>(i << 8);
            for (int k = 0; k < 8; ++k)
                c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
            t[0][i] = c;
        }
        for (std::size_t k = 1; k < 8; ++k)
            for (unsigned i = 0; i < 256; ++i) {
                const std::uint16_t c = t[k - 1][i];
                t[k][i] = static_cast<std::uint16_t>((c << 8) ^ t[0][c >> 8]);
            }
        return t;
    }();
    std::uint16_t crc = 0xFFFF;
    for (; n >= 8; n -= 8, p += 8)
        crc = static_cast<std::uint16_t>(tables[7][p[0] ^ (crc >> 8)] ^ tables[6][p[1] ^ (crc & 0xFF)] ^
                                         tables[5][p[2]] ^ tables[4][p[3]] ^ tables[3][p[4]] ^ tables[2][p[5]] ^
                                         tables[1][p[6]] ^ tables[0][p[7]]);
    for (; n > 0; --n, ++p)
        crc = static_cast<std::uint16_t>((crc << 8) ^ tables[0][((crc >> 8) ^ *p) & 0xFF]);
    return crc;
}

ChdFile::ChdFile(std::shared_ptr<BlockSource> file, TrackReading reading)
    : file_(std::move(file)), reading_(std::move(reading))
{
    readHeader();
    readMap();
}

std::string ChdFile::storage(std::uint32_t hunk) const
{
    const std::uint8_t type = map_[hunk].type;
    if (type <= Codec3)
        return codecName(codecs_[type]);
    return type == Uncompressed ? "none" : type == Self ? "self" : "parent";
}

void ChdFile::decode(std::uint32_t hunk, std::uint8_t* out, bool retry, std::int64_t archiveAt) const
{
    // A self-reference names an earlier hunk; following a chain longer than
    // the map means a loop.
    for (std::uint32_t steps = 0;; ++steps) {
        const MapEntry& e = map_[hunk];
        if (e.type != Self)
            break;
        if (e.offset >= map_.size() || steps > map_.size())
            malformed("hunk " + std::to_string(hunk) + " refers to a hunk that is not there", archiveAt);
        hunk = static_cast<std::uint32_t>(e.offset);
    }
    const MapEntry& e = map_[hunk];
    if (e.type == Parent)
        throw ImageError(ImageFault::NotSupported, path(), path() + ": parent CHD not supported", archiveAt);
    if (e.type != Uncompressed && e.type > Codec3)
        malformed("hunk " + std::to_string(hunk) + " has storage type " + std::to_string(e.type), archiveAt);
    const std::uint32_t length = e.type == Uncompressed ? hunkBytes_ : e.length;
    if (length > file_->size() || e.offset > static_cast<std::uint64_t>(file_->size()) - length)
        malformed("hunk " + std::to_string(hunk) + " lies past the end of the file", archiveAt);
    // A hunk that does not shrink is stored as it is.
    if (length > hunkBytes_)
        malformed("hunk " + std::to_string(hunk) + " is longer compressed than whole", archiveAt);
    thread_local std::vector<std::uint8_t> packed;
    packed.resize(length);
    const auto at = static_cast<std::int64_t>(e.offset);
    if (retry)
        readRetrying(*file_, at, packed.data(), length, at, std::max<std::uint32_t>(length, 1), {archiveAt, 0},
                     reading_.options, reading_.events);
    else
        file_->readAt(at, packed.data(), length);

    bool ok = true;
    if (e.type == Uncompressed) {
        std::memcpy(out, packed.data(), length);
    } else {
        const std::uint32_t codec = codecs_[e.type];
        if (codec == CodecZlib)
            ok = decodeCdZlib(packed.data(), length, out, hunkBytes_);
        else if (codec == CodecLzma)
            ok = decodeCdLzma(packed.data(), length, out, hunkBytes_);
        else if (codec == CodecFlac)
            ok = decodeCdFlac(packed.data(), length, out, hunkBytes_);
        else
            malformed("hunk " + std::to_string(hunk) + " names codec slot " + std::to_string(e.type) +
                          ", which the header leaves empty",
                      archiveAt);
    }
    if (!ok || (!uncompressedMap_ && crc16(out, hunkBytes_) != e.crc))
        throw ImageError(ImageFault::ChecksumFailed, path(),
                         path() + ": hunk " + std::to_string(hunk) + " is damaged (its checksum does not match)",
                         archiveAt);
}

std::vector<TrackInfo> ChdFile::tracks() const
{
    std::vector<TrackInfo> out;
    std::uint64_t at = metaOffset_;
    for (int n = 0; at != 0; ++n) {
        if (n == MaxMetadata)
            malformed("its metadata does not end", -1);
        std::uint8_t h[16];
        readChecked(at, h, sizeof h);
        const auto tagValue = static_cast<std::uint32_t>(bigEndian(h, 4));
        const auto length = static_cast<std::size_t>(bigEndian(h + 5, 3));
        if (tagValue == TrackTag || tagValue == OldTrackTag) {
            checkWithin(at + 16, length);
            std::string text(length, '\0');
            readChecked(at + 16, text.data(), length);
            out.push_back(parseTrack(text.c_str()));
        } else if (tagValue == BinaryTrackTag) {
            throw ImageError(ImageFault::NotSupported, path(), path() + ": track list in the old binary form");
        }
        at = bigEndian(h + 8, 8);
    }
    return out;
}

void ChdFile::malformed(const std::string& what, std::int64_t archiveAt) const
{
    throw ImageError(ImageFault::Malformed, path(), path() + ": " + what, archiveAt);
}

void ChdFile::checkWithin(std::uint64_t at, std::uint64_t n) const
{
    if (at > static_cast<std::uint64_t>(file_->size()) || n > static_cast<std::uint64_t>(file_->size()) - at)
        malformed("a table lies past the end of the file", -1);
}

void ChdFile::readChecked(std::uint64_t at, void* buffer, std::size_t n) const
{
    checkWithin(at, n);
    readRetrying(*file_, static_cast<std::int64_t>(at), buffer, n, 0, UserDataSize, {}, reading_.options,
                 reading_.events);
}

void ChdFile::readHeader()
{
    std::uint8_t h[HeaderSize];
    if (file_->size() < static_cast<std::int64_t>(HeaderSize))
        malformed("its header is cut short", -1);
    readChecked(0, h, sizeof h);
    const auto version = bigEndian(h + 12, 4);
    if (version != 5)
        throw ImageError(ImageFault::NotSupported, path(),
                         path() + ": CHD version " + std::to_string(version) + " is not supported (only 5)");
    if (bigEndian(h + 8, 4) != HeaderSize)
        malformed("its header length is wrong", -1);
    for (int i = 0; i < 4; ++i) {
        codecs_[i] = static_cast<std::uint32_t>(bigEndian(h + 16 + 4 * i, 4));
        if (codecs_[i] != 0 && codecs_[i] != CodecZlib && codecs_[i] != CodecLzma && codecs_[i] != CodecFlac)
            throw ImageError(ImageFault::UnknownCodec, path(),
                             path() + " is compressed with \"" + codecName(codecs_[i]) +
                                 "\", a codec this program does not read")
                .withCodec(codecName(codecs_[i]));
    }
    logicalBytes_ = bigEndian(h + 32, 8);
    mapOffset_ = bigEndian(h + 40, 8);
    metaOffset_ = bigEndian(h + 48, 8);
    hunkBytes_ = static_cast<std::uint32_t>(bigEndian(h + 56, 4));
    const auto unitBytes = bigEndian(h + 60, 4);
    if (std::any_of(h + 104, h + 124, [](std::uint8_t b) { return b != 0; }))
        throw ImageError(ImageFault::NotSupported, path(), path() + ": parent CHD not supported");
    if (unitBytes != FrameSize || hunkBytes_ == 0 || hunkBytes_ % FrameSize != 0 || hunkBytes_ > (1u << 24))
        throw ImageError(ImageFault::NotSupported, path(),
                         path() + " is not a CD image (hunks of " + std::to_string(hunkBytes_) + " bytes)");
    const std::uint64_t hunks = (logicalBytes_ + hunkBytes_ - 1) / hunkBytes_;
    // No CD holds more than 100 minutes, and every hunk takes at least a
    // bit of the map: more is damage, and would size the map beyond reason.
    if (hunks == 0 || logicalBytes_ > MaxCdFrames * FrameSize || hunks > static_cast<std::uint64_t>(file_->size()) * 8)
        malformed("its size " + std::to_string(logicalBytes_) + " cannot be right", -1);
    map_.resize(static_cast<std::size_t>(hunks));
}

void ChdFile::readMap()
{
    if (codecs_[0] == 0) {  // uncompressed: one 4-byte hunk number per hunk
        uncompressedMap_ = true;
        std::vector<std::uint8_t> raw(map_.size() * 4);
        readChecked(mapOffset_, raw.data(), raw.size());
        for (std::size_t i = 0; i < map_.size(); ++i)
            map_[i] = {Uncompressed, hunkBytes_, bigEndian(&raw[i * 4], 4) * hunkBytes_, 0};
        return;
    }
    std::uint8_t h[16];
    readChecked(mapOffset_, h, sizeof h);
    const auto mapBytes = static_cast<std::size_t>(bigEndian(h, 4));
    std::uint64_t offset = bigEndian(h + 4, 6);
    // Checked before anything is allocated for it: at least a bit a hunk, within the file.
    checkWithin(mapOffset_ + 16, mapBytes);
    if (map_.size() > std::uint64_t{mapBytes} * 8)
        malformed("its map is damaged (it is too short for its hunks)", -1);
    const auto mapCrc = static_cast<std::uint16_t>(bigEndian(h + 10, 2));
    const int lengthBits = h[12], selfBits = h[13], parentBits = h[14];
    if (lengthBits > 32 || selfBits > 32 || parentBits > 32)
        malformed("its map header cannot be right", -1);
    std::vector<std::uint8_t> packed(mapBytes);
    readChecked(mapOffset_ + 16, packed.data(), packed.size());

    BitReader in(packed.data(), packed.size());
    MapCode code;
    if (!code.importTree(in))
        malformed("its map's code table is damaged", -1);
    int last = 0, repeat = 0;
    for (MapEntry& e : map_) {
        if (repeat > 0) {
            e.type = static_cast<std::uint8_t>(last);
            --repeat;
            continue;
        }
        const int v = code.decode(in);
        if (v == RleSmall) {
            repeat = 2 + code.decode(in);
        } else if (v == RleLarge) {
            repeat = 2 + 16 + (code.decode(in) << 4);
            repeat += code.decode(in);
        } else {
            last = v;
        }
        if (v < 0 || repeat < 0 || in.overflowed())
            malformed("its map is damaged", -1);
        e.type = static_cast<std::uint8_t>(last);
    }
    std::uint64_t lastSelf = 0, lastParent = 0;
    const std::uint64_t unitsPerHunk = hunkBytes_ / FrameSize;
    std::vector<std::uint8_t> raw(map_.size() * 12);
    for (std::size_t i = 0; i < map_.size(); ++i) {
        MapEntry& e = map_[i];
        e.offset = offset;
        switch (e.type) {
        case Uncompressed:
            e.length = hunkBytes_;
            offset += e.length;
            e.crc = static_cast<std::uint16_t>(in.read(16));
            break;
        case Self:
            e.offset = lastSelf = in.read(selfBits);
            break;
        case Parent:
            e.offset = lastParent = in.read(parentBits);
            break;
        case Self1:
            ++lastSelf;
            [[fallthrough]];
        case Self0:
            e.type = Self;
            e.offset = lastSelf;
            break;
        case ParentSelf:
            e.type = Parent;
            e.offset = lastParent = i * unitsPerHunk;
            break;
        case Parent1:
            lastParent += unitsPerHunk;
            [[fallthrough]];
        case Parent0:
            e.type = Parent;
            e.offset = lastParent;
            break;
        default:
            if (e.type > Codec3)
                malformed("its map holds storage type " + std::to_string(e.type), -1);
            e.length = in.read(lengthBits);
            offset += e.length;
            e.crc = static_cast<std::uint16_t>(in.read(16));
            break;
        }
        std::uint8_t* r = &raw[i * 12];
        r[0] = e.type;
        for (int k = 0; k < 3; ++k)
            r[1 + k] = static_cast<std::uint8_t>(e.length >> (8 * (2 - k)));
        for (int k = 0; k < 6; ++k)
            r[4 + k] = static_cast<std::uint8_t>(e.offset >> (8 * (5 - k)));
        r[10] = static_cast<std::uint8_t>(e.crc >> 8);
        r[11] = static_cast<std::uint8_t>(e.crc);
    }
    if (in.overflowed() || crc16(raw.data(), raw.size()) != mapCrc)
        malformed("its map is damaged (its checksum does not match)", -1);
}

TrackInfo ChdFile::parseTrack(const char* text) const
{
    TrackInfo t;
    std::istringstream words(text);
    std::string word;
    std::string pregapType;
    while (words >> word) {
        const std::size_t colon = word.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string key = word.substr(0, colon), value = word.substr(colon + 1);
        if (key == "TYPE")
            t.type = value;
        else if (key == "FRAMES")
            t.frames = std::atoll(value.c_str());
        else if (key == "PREGAP")
            t.pregap = std::atoll(value.c_str());
        else if (key == "POSTGAP")
            t.postgap = std::atoll(value.c_str());
        else if (key == "PGTYPE")
            pregapType = value;
    }
    // A pregap type starting with V means the pregap's sectors are stored with the track.
    t.pregapInData = !pregapType.empty() && pregapType[0] == 'V';
    if (t.frames <= 0 || t.frames > 100 * 60 * 75 || t.pregap < 0 || t.pregap > t.frames || t.postgap < 0 ||
        t.postgap > 100 * 60 * 75)
        malformed("a track's length cannot be right: " + std::string(text), -1);
    return t;
}

}  // namespace hotaru::disc::chd
