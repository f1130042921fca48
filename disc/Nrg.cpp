#include "disc/Nrg.h"

#include "platform/Bytes.h"

#include "disc/CdSector.h"
#include "disc/ImageError.h"

namespace hotaru::disc {

namespace {

std::uint64_t be(std::string_view b, std::size_t at, std::size_t n) { return bigEndian(b.data() + at, n); }

// Nero's track modes: a data track's mode and subchannel, or nothing for sound
// and what this reader does not read.
std::optional<std::pair<TrackMode, std::size_t>> dataMode(std::uint64_t code)
{
    const auto data = [](TrackMode m, std::size_t subchannel) { return std::pair{m, subchannel}; };
    switch (code) {
    case 0x00:
        return data(TrackMode::Mode1Cooked, 0);
    case 0x02:
        return data(TrackMode::Mode2Form1Cooked, 0);
    case 0x05:
        return data(TrackMode::Mode1Raw, 0);
    case 0x06:
        return data(TrackMode::Mode2Raw, 0);
    case 0x0F:
        return data(TrackMode::Mode1Raw, SubcodeSize);
    case 0x11:
        return data(TrackMode::Mode2Raw, SubcodeSize);
    default:
        return std::nullopt;
    }
}

bool isSound(std::uint64_t code) { return code == 0x07 || code == 0x10; }

}  // namespace

std::optional<NrgFooter> nrgFooter(std::string_view tail)
{
    if (tail.size() >= 12 && tail.substr(tail.size() - 12, 4) == "NER5")
        return NrgFooter{12, static_cast<std::int64_t>(be(tail, tail.size() - 8, 8) & 0x7FFF'FFFF'FFFF'FFFF)};
    if (tail.size() >= 8 && tail.substr(tail.size() - 8, 4) == "NERO")
        return NrgFooter{8, static_cast<std::int64_t>(be(tail, tail.size() - 4, 4))};
    return std::nullopt;
}

ImageTrack parseNrg(std::string_view chunks, std::int64_t fileSize, const std::string& path)
{
    const auto bad = [&](const std::string& why) { return ImageError(ImageFault::BadSheet, path, path + ": " + why); };
    std::optional<ImageTrack> found;
    const auto place = [&](int number, std::uint64_t mode, std::uint64_t start, std::uint64_t end,
                           std::uint64_t sectorSize) {
        if (found && found->number <= number)
            return;
        const auto kind = dataMode(mode);
        if (!kind) {
            if (!isSound(mode))
                throw ImageError(ImageFault::NotSupported, path,
                                 path + ": track " + std::to_string(number) + " is of Nero's mode " +
                                     std::to_string(mode));
            return;
        }
        ImageTrack t;
        t.number = number;
        t.file = path;
        t.mode = kind->first;
        t.subchannel = kind->second;
        const std::size_t size = t.layout().sectorSize;
        if (sectorSize != 0 && sectorSize != size)
            throw bad("track " + std::to_string(number) + " has sectors of " + std::to_string(sectorSize) +
                      " bytes, which its mode does not");
        if (start > end || end > static_cast<std::uint64_t>(fileSize))
            throw bad("track " + std::to_string(number) + " lies outside the file");
        t.start = static_cast<std::int64_t>(start);
        t.sectors = static_cast<std::int64_t>((end - start) / size);
        found = t;
    };

    std::size_t at = 0;
    bool ended = false;
    while (!ended) {
        if (chunks.size() - at < 8)
            throw bad("its chunks end without an END! chunk");
        const std::string_view id = chunks.substr(at, 4);
        const std::uint64_t size = be(chunks, at + 4, 4);
        at += 8;
        if (size > chunks.size() - at)
            throw bad("its " + std::string(id) + " chunk runs past the end of the file");
        const std::string_view body = chunks.substr(at, static_cast<std::size_t>(size));
        at += static_cast<std::size_t>(size);
        if (id == "END!") {
            ended = true;
        } else if (id == "DAOX" || id == "DAOI") {
            // A header (its length, the catalogue number, the disc's type, the
            // first and last track), then one block a track.
            const std::size_t offsets = id == "DAOX" ? 8 : 4;
            const std::size_t blockSize = 18 + 3 * offsets;
            if (body.size() < 22)
                throw bad("its " + std::string(id) + " chunk is too short");
            const auto first = static_cast<int>(be(body, 20, 1));
            for (std::size_t b = 22, k = 0; b + blockSize <= body.size(); b += blockSize, ++k)
                place(first + static_cast<int>(k), be(body, b + 14, 1), be(body, b + 18 + offsets, offsets),
                      be(body, b + 18 + 2 * offsets, offsets), be(body, b + 12, 2));
        } else if (id == "ETN2" || id == "ETNF") {
            // Track at once: offset, length, mode, address and one more each.
            const std::size_t width = id == "ETN2" ? 8 : 4;
            const std::size_t entrySize = 2 * width + 12;
            for (std::size_t e = 0, k = 1; e + entrySize <= body.size(); e += entrySize, ++k) {
                const std::uint64_t start = be(body, e, width);
                const std::uint64_t length = be(body, e + width, width);
                if (length > static_cast<std::uint64_t>(fileSize))
                    throw bad("track " + std::to_string(k) + " is longer than the file");
                place(static_cast<int>(k), be(body, e + 2 * width, 4), start, start + length, 0);
            }
        }
        // CUEX, CUES, SINF, MTYP, CDTX and others say nothing this reader needs.
    }
    if (!found)
        throw ImageError(ImageFault::NoDataTrack, path, path + " holds no data track");
    return *found;
}

}  // namespace hotaru::disc
