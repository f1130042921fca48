#include "disc/Mds.h"

#include "platform/Bytes.h"

#include "disc/CdSector.h"
#include "disc/ImageError.h"
#include "platform/Encoding.h"
#include "platform/Path.h"

#include <optional>

namespace hotaru::disc {

namespace {

constexpr std::string_view Signature = "MEDIA DESCRIPTOR";
constexpr std::size_t HeaderSize = 0x58;
constexpr std::size_t SessionSize = 24;
constexpr std::size_t TrackBlockSize = 80;
constexpr std::size_t FooterSize = 16;

class Bytes {
public:
    Bytes(std::string_view bytes, const std::string& path) : bytes_(bytes), path_(path) {}

    // Little-endian, `n` bytes at `at`; damage when they lie past the end.
    std::uint64_t le(std::size_t at, std::size_t n) const
    {
        need(at, n, "a field");
        return littleEndian(bytes_.data() + at, n);
    }
    void need(std::size_t at, std::size_t n, const std::string& what) const
    {
        if (at > bytes_.size() || n > bytes_.size() - at)
            throw ImageError(ImageFault::BadSheet, path_, path_ + ": " + what + " lies past the end of the file");
    }
    std::string_view view() const { return bytes_; }

private:
    std::string_view bytes_;
    const std::string& path_;
};

// The mode of a data track of Alcohol's `mode` in sectors of `size` bytes, and
// its subchannel: 2448 is a raw sector followed by 96 bytes of it, interleaved.
std::optional<std::pair<TrackMode, std::size_t>> dataMode(std::uint8_t mode, std::uint64_t size)
{
    const int kind = mode & 0x07;  // 2 mode 1, 3 mode 2, 4 mode 2 form 1
    if (kind != 2 && kind != 3 && kind != 4)
        return std::nullopt;
    const bool mode1 = kind == 2;
    TrackMode m;
    if (size == 2048)
        m = mode1 ? TrackMode::Mode1Cooked : TrackMode::Mode2Form1Cooked;
    else if (size == RawSectorSize || size == FrameSize)
        m = mode1 ? TrackMode::Mode1Raw : TrackMode::Mode2Raw;
    else
        return std::nullopt;
    return std::pair{m, size == FrameSize ? SubcodeSize : 0};
}

// The footer's file name: NUL-terminated bytes, or UTF-16 when `wide`.
std::string fileName(const Bytes& b, std::size_t at, bool wide, const std::string& mdsPath)
{
    const std::string_view all = b.view();
    b.need(at, 0, "the image file's name");
    std::string name;
    if (wide) {
        std::u16string units;
        for (std::size_t i = at; i + 1 < all.size(); i += 2) {
            const auto u = static_cast<char16_t>(b.le(i, 2));
            if (u == 0)
                break;
            units.push_back(u);
        }
        name = utf16ToUtf8(units);
    } else {
        const std::size_t end = all.find('\0', at);
        name = std::string(all.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (!isValidUtf8(name))
            name = cp932ToUtf8(name).value_or(name);
    }
    if (name.empty())
        throw ImageError(ImageFault::BadSheet, mdsPath, mdsPath + " names no image file");
    return name;
}

std::string folderOf(const std::string& path)
{
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string stemOf(const std::string& path)
{
    const std::string folder = folderOf(path);
    const std::string name = path.substr(folder.size());
    const std::size_t dot = name.find_last_of('.');
    return folder + (dot == std::string::npos ? name : name.substr(0, dot));
}

}  // namespace

ImageTrack parseMds(std::string_view bytes, const std::string& mdsPath)
{
    const Bytes b(bytes, mdsPath);
    const auto bad = [&](const std::string& why) {
        return ImageError(ImageFault::BadSheet, mdsPath, mdsPath + ": " + why);
    };
    if (!bytes.starts_with(Signature))
        throw bad("it is not an Alcohol image descriptor");
    b.need(0, HeaderSize, "the header");
    const auto version = static_cast<unsigned>(b.le(16, 1));
    if (version != 1)
        throw ImageError(ImageFault::NotSupported, mdsPath,
                         mdsPath + ": descriptors of version " + std::to_string(version) +
                             " (.mdx or encrypted) are not supported, only version 1");
    const std::uint64_t sessions = b.le(0x14, 2);
    const std::uint64_t sessionsAt = b.le(0x50, 4);
    if (sessions == 0 || sessions > 99)
        throw bad("it has " + std::to_string(sessions) + " sessions");
    b.need(sessionsAt, sessions * SessionSize, "a session block");

    std::optional<ImageTrack> found;
    for (std::uint64_t s = 0; s < sessions; ++s) {
        const std::size_t session = sessionsAt + s * SessionSize;
        const std::uint64_t blocks = b.le(session + 0x0A, 1);
        const std::uint64_t blocksAt = b.le(session + 0x14, 4);
        b.need(blocksAt, blocks * TrackBlockSize, "a track block");
        for (std::uint64_t k = 0; k < blocks; ++k) {
            const std::size_t block = blocksAt + k * TrackBlockSize;
            const auto point = static_cast<int>(b.le(block + 4, 1));
            // Lead-in entries (points A0 and up) describe the disc, not a track.
            if (point < 1 || point > 99 || (found && found->number < point))
                continue;
            const auto mode = static_cast<std::uint8_t>(b.le(block, 1));
            const std::uint64_t sectorSize = b.le(block + 0x10, 2);
            const auto kind = dataMode(mode, sectorSize);
            if (!kind) {
                if ((mode & 0x07) >= 2)  // data, in a way this reader does not read
                    throw ImageError(ImageFault::NotSupported, mdsPath,
                                     mdsPath + ": track " + std::to_string(point) + " is of mode " +
                                         std::to_string(mode) + " in sectors of " + std::to_string(sectorSize) +
                                         " bytes");
                continue;
            }
            ImageTrack t;
            t.number = point;
            t.mode = kind->first;
            t.subchannel = kind->second;
            t.start = static_cast<std::int64_t>(b.le(block + 0x28, 8));
            if (t.start < 0 || t.start > (std::int64_t{1} << 40))
                throw bad("track " + std::to_string(point) + " starts at byte " + std::to_string(t.start));
            if (const std::uint64_t extraAt = b.le(block + 0x0C, 4); extraAt != 0)
                t.sectors = static_cast<std::int64_t>(b.le(extraAt + 4, 4));
            const std::uint64_t files = b.le(block + 0x30, 4);
            const std::uint64_t footerAt = b.le(block + 0x34, 4);
            std::string name = "*.mdf";
            if (files > 0 && footerAt != 0) {
                b.need(footerAt, FooterSize, "the footer");
                name = fileName(b, b.le(footerAt, 4), b.le(footerAt + 4, 1) != 0, mdsPath);
            }
            // "*.mdf": the descriptor's own name with that extension.
            if (name.starts_with("*."))
                t.file = stemOf(mdsPath) + name.substr(1);
            else
                t.file = joinPath(folderOf(mdsPath), name);
            found = t;
        }
    }
    if (!found)
        throw ImageError(ImageFault::NoDataTrack, mdsPath, mdsPath + " names no data track");
    return *found;
}

}  // namespace hotaru::disc
