#include "disc/CdSector.h"

#include "disc/DataTrack.h"
#include "disc/ImageError.h"
#include "platform/Bytes.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace hotaru::disc {

namespace {

constexpr std::int64_t SectorSize = 2048;
constexpr std::int64_t FirstDescriptor = 16;
// More descriptors than any disc carries: a set without a terminator ends here.
constexpr std::int64_t MaxDescriptors = 64;
// Far more than a root folder of a CD holds; a larger length is damage.
constexpr std::int64_t MaxRootBytes = 4 << 20;
constexpr char ArchiveName[] = "hotaru4";

struct Folder {
    std::int64_t lba = 0;
    std::int64_t length = 0;
    bool joliet = false;
};

[[noreturn]] void malformed(const std::string& image, const std::string& what)
{
    throw ImageError(ImageFault::Malformed, image, image + ": " + what);
}

// The name an operating system shows: version and a trailing dot dropped.
std::string shownName(std::string name)
{
    if (const auto semi = name.find(';'); semi != std::string::npos)
        name.erase(semi);
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    return asciiLower(name);
}

std::string recordName(const std::uint8_t* id, std::size_t length, bool joliet)
{
    if (!joliet)
        return shownName(std::string(reinterpret_cast<const char*>(id), length));
    // UCS-2 big-endian: anything outside ASCII cannot be "hotaru4" anyway.
    std::string ascii;
    for (std::size_t i = 0; i + 1 < length; i += 2)
        ascii += id[i] == 0 && id[i + 1] < 0x80 ? static_cast<char>(id[i + 1]) : '?';
    return shownName(ascii);
}

bool checkedExtent(const DataTrack& track, std::int64_t lba, std::int64_t length)
{
    return lba >= 0 && length >= 0 && lba <= track.sectors() &&
           (length + SectorSize - 1) / SectorSize <= track.sectors() - lba;
}

// The archive's extents in one root folder, or nothing when it is not there.
std::optional<std::vector<Extent>> searchFolder(DataTrack& track, const Folder& root, const std::string& image)
{
    if (root.length <= 0 || root.length > MaxRootBytes)
        malformed(image, "the root folder's length " + std::to_string(root.length) + " cannot be right");
    if (!checkedExtent(track, root.lba, root.length))
        throw ImageError(ImageFault::TrackTooShort, track.file(),
                         track.file() + " ends before the root folder its file system names");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(root.length));
    track.read(root.lba * SectorSize, bytes.data(), bytes.size(), -1);

    std::vector<Extent> extents;
    bool continued = false;
    for (std::int64_t at = 0; at < root.length;) {
        const std::uint8_t recordLength = bytes[static_cast<std::size_t>(at)];
        const std::int64_t sectorLeft = SectorSize - at % SectorSize;
        if (recordLength == 0) {  // the rest of this sector is padding
            at += sectorLeft;
            continue;
        }
        if (recordLength < 34 || recordLength > sectorLeft || at + recordLength > root.length)
            malformed(image, "a record of the root folder runs past its sector");
        const std::uint8_t* r = bytes.data() + at;
        const std::uint8_t nameLength = r[32];
        if (33 + nameLength > recordLength)
            malformed(image, "a name in the root folder runs past its record");
        const std::uint8_t flags = r[25];
        const bool isFolder = (flags & 0x02) != 0;
        const bool moreExtents = (flags & 0x80) != 0;
        const bool special = nameLength == 1 && (r[33] == 0 || r[33] == 1);  // "." and ".."
        if (!special && !isFolder && (continued || recordName(r + 33, nameLength, root.joliet) == ArchiveName)) {
            const std::int64_t lba = littleEndian32(r + 2);
            const std::int64_t length = littleEndian32(r + 10);
            if (!checkedExtent(track, lba, length)) {
                // The archive's bytes up to the track's end are there; the rest is missing.
                std::int64_t present = std::max<std::int64_t>(0, (track.sectors() - lba) * SectorSize);
                for (const Extent& e : extents)
                    present += e.length;
                throw ImageError(ImageFault::TrackTooShort, track.file(),
                                 track.file() + " ends before the hotaru4 its file system names", present);
            }
            extents.push_back({lba * SectorSize, length});
            continued = moreExtents;
            if (!continued)
                return extents;
        }
        at += recordLength;
    }
    if (continued)
        malformed(image, "hotaru4's last extent is missing");
    return std::nullopt;
}

}  // namespace

std::vector<Extent> findArchive(DataTrack& track, const std::string& image)
{
    std::optional<Folder> primary, joliet;
    std::uint8_t d[SectorSize];
    for (std::int64_t s = FirstDescriptor; s < FirstDescriptor + MaxDescriptors; ++s) {
        if (s >= track.sectors())
            malformed(image, "the volume descriptors run past the end of the track");
        track.read(s * SectorSize, d, sizeof d, -1);
        if (std::memcmp(d + 1, "CD001", 5) != 0)
            malformed(image, "sector " + std::to_string(s) + " is not an ISO 9660 volume descriptor");
        const std::uint8_t type = d[0];
        if (type == 255)
            break;
        if (type != 1 && type != 2)
            continue;
        if (littleEndian16(d + 128) != SectorSize)
            throw ImageError(ImageFault::NotSupported, image, image + ": logical blocks other than 2048 bytes");
        const std::uint8_t* root = d + 156;
        const Folder f{littleEndian32(root + 2), littleEndian32(root + 10), type == 2};
        if (type == 1 && !primary)
            primary = f;
        // Joliet: a supplementary descriptor whose escape sequence names UCS-2.
        if (type == 2 && d[88] == '%' && d[89] == '/' && (d[90] == '@' || d[90] == 'C' || d[90] == 'E') && !joliet)
            joliet = f;
    }
    if (!primary)
        malformed(image, "no primary volume descriptor");
    if (joliet)
        if (auto found = searchFolder(track, *joliet, image))
            return *found;
    if (auto found = searchFolder(track, *primary, image))
        return *found;
    throw ImageError(ImageFault::NoArchive, image, image + " holds no hotaru4 in its root folder");
}

}  // namespace hotaru::disc
