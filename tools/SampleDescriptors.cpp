// Stand-in images in the formats whose descriptors describe their tracks:
// ISO + WAV under a CUE sheet, CloneCD, Alcohol 120% and Nero.
#include "platform/File.h"
#include "platform/TempFile.h"
#include "tools/SampleImage.h"
#include "tools/SampleTracks.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

namespace hotaru {

using sample::CookedSize;
using sample::RawSize;
using sample::SubchannelSize;

namespace {

void putLe(std::string& b, std::size_t at, std::uint64_t v, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string be(std::uint64_t v, std::size_t n)
{
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        out[n - 1 - i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::string quoted(const std::string& path) { return "\"" + sample::utf8(sample::fsPath(path).filename()) + "\""; }

// The sound track in sectors of `stride` bytes (2352, or 2448 with zeroed
// subchannel after each), written to `out`. Returns its sectors.
std::int64_t writeSound(TempFile& out, std::size_t stride)
{
    const std::vector<std::uint8_t> pcm = sample::soundTrack(2);
    const std::size_t sectors = pcm.size() / RawSize;
    std::vector<std::uint8_t> sector(stride, 0);
    for (std::size_t s = 0; s < sectors; ++s) {
        std::memcpy(sector.data(), pcm.data() + s * RawSize, RawSize);
        out.write(sector.data(), stride);
    }
    return static_cast<std::int64_t>(sectors);
}

std::int64_t writeData(const std::string& archivePath, TempFile& out, bool raw, std::size_t subchannel)
{
    return sample::dataTrack(archivePath, raw, DataTrackMode::Mode1, subchannel,
                             [&](const std::uint8_t* p, std::size_t n) { out.write(p, n); });
}

// Commits the descriptor last: until it is there, nothing looks like an image.
void commitAll(std::vector<TempFile*> parts, TempFile& descriptor)
{
    for (TempFile* p : parts)
        p->commit();
    descriptor.commit();
}

// A CloneCD table-of-contents entry for a point at `lba` (A0 and A1 carry
// the first and last track in their minutes, as the disc's table does).
std::string ccdEntry(int n, int point, int control, std::int64_t lba)
{
    const std::int64_t msf = lba + 150;
    char text[320];
    std::snprintf(text, sizeof text,
                  "[Entry %d]\r\nSession=1\r\nPoint=0x%02x\r\nADR=0x01\r\nControl=0x%02x\r\nTrackNo=0\r\nAMin=0\r\n"
                  "ASec=0\r\nAFrame=0\r\nALBA=-150\r\nZero=0\r\nPMin=%d\r\nPSec=%d\r\nPFrame=%d\r\nPLBA=%lld\r\n",
                  n, point, control, static_cast<int>(msf / 75 / 60), static_cast<int>(msf / 75 % 60),
                  static_cast<int>(msf % 75), static_cast<long long>(lba));
    return text;
}

}  // namespace

void writeIsoWavCue(const std::string& archivePath, const std::string& cuePath)
{
    const std::string iso = sample::withExtension(cuePath, "iso");
    const std::string wav =
        sample::siblingPath(cuePath, sample::utf8(sample::fsPath(cuePath).stem()) + " (Track 2).wav");
    TempFile sound(wav);
    const std::vector<std::uint8_t> pcm = sample::soundTrack(2);
    std::string header =
        "RIFF" + std::string(4, '\0') + "WAVEfmt " + std::string(20, '\0') + "data" + std::string(4, '\0');
    putLe(header, 4, 36 + pcm.size(), 4);
    putLe(header, 16, 16, 4);
    putLe(header, 20, 1, 2);  // PCM
    putLe(header, 22, 2, 2);
    putLe(header, 24, 44100, 4);
    putLe(header, 28, 44100 * 4, 4);
    putLe(header, 32, 4, 2);
    putLe(header, 34, 16, 2);
    putLe(header, 40, pcm.size(), 4);
    sound.write(header.data(), header.size());
    sound.write(pcm.data(), pcm.size());
    const std::string sheet = "FILE " + quoted(iso) + " BINARY\r\n  TRACK 01 MODE1/2048\r\n    INDEX 01 00:00:00\r\n" +
                              "FILE " + quoted(wav) + " WAVE\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n" +
                              "    INDEX 01 00:02:00\r\n";
    TempFile cue(cuePath);
    cue.write(sheet.data(), sheet.size());
    writeIsoImage(archivePath, iso);
    try {
        commitAll({&sound}, cue);
    } catch (...) {
        removeFile(iso);
        throw;
    }
}

void writeCloneCd(const std::string& archivePath, const std::string& ccdPath)
{
    TempFile img(sample::withExtension(ccdPath, "img"));
    const std::int64_t data = writeData(archivePath, img, true, 0);
    const std::int64_t total = data + writeSound(img, RawSize);
    TempFile sub(sample::withExtension(ccdPath, "sub"));
    const std::vector<std::uint8_t> none(SubchannelSize * 256, 0);
    for (std::int64_t s = 0; s < total; s += 256)
        sub.write(none.data(), SubchannelSize * static_cast<std::size_t>(std::min<std::int64_t>(256, total - s)));
    const std::string text =
        "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=5\r\nSessions=1\r\n"
        "DataTracksScrambled=0\r\nCDTextLength=0\r\n[Session 1]\r\nPreGapMode=1\r\n"
        "PreGapSubC=0\r\n" +
        ccdEntry(0, 0xA0, 4, 1 * 60 * 75 - 150) + ccdEntry(1, 0xA1, 0, 2 * 60 * 75 - 150) +
        ccdEntry(2, 0xA2, 0, total) + ccdEntry(3, 1, 4, 0) + ccdEntry(4, 2, 0, data + 150) +
        "[TRACK 1]\r\nMODE=1\r\nINDEX 1=0\r\n[TRACK 2]\r\nMODE=0\r\nINDEX 0=" + std::to_string(data) +
        "\r\nINDEX 1=" + std::to_string(data + 150) + "\r\n";
    TempFile ccd(ccdPath);
    ccd.write(text.data(), text.size());
    commitAll({&img, &sub}, ccd);
}

void writeMds(const std::string& archivePath, const std::string& mdsPath, int sectorSize)
{
    if (sectorSize != 2048 && sectorSize != 2352 && sectorSize != 2448)
        throw std::runtime_error("an Alcohol image has sectors of 2048, 2352 or 2448 bytes, not " +
                                 std::to_string(sectorSize));
    const auto size = static_cast<std::size_t>(sectorSize);
    const std::size_t subchannel = size == 2448 ? SubchannelSize : 0;
    TempFile mdf(sample::withExtension(mdsPath, "mdf"));
    const std::int64_t data = writeData(archivePath, mdf, size != CookedSize, subchannel);
    const std::size_t soundSize = RawSize + subchannel;
    const std::int64_t sound = writeSound(mdf, soundSize);

    constexpr std::size_t NameAt = 0x220;
    std::string b(NameAt, '\0');
    b.replace(0, 16, "MEDIA DESCRIPTOR");
    putLe(b, 0x10, 1, 1);
    putLe(b, 0x11, 3, 1);
    putLe(b, 0x14, 1, 2);  // one session
    putLe(b, 0x50, MdsSessionAt, 4);
    putLe(b, MdsSessionAt + 0x00, static_cast<std::uint32_t>(-150), 4);
    putLe(b, MdsSessionAt + 0x04, static_cast<std::uint64_t>(data + sound), 4);
    putLe(b, MdsSessionAt + 0x08, 1, 2);
    putLe(b, MdsSessionAt + 0x0A, 5, 1);  // A0, A1, A2, then the two tracks
    putLe(b, MdsSessionAt + 0x0B, 3, 1);
    putLe(b, MdsSessionAt + 0x0C, 1, 2);
    putLe(b, MdsSessionAt + 0x0E, 2, 2);
    putLe(b, MdsSessionAt + 0x14, MdsBlocksAt, 4);
    const int points[] = {0xA0, 0xA1, 0xA2, 1, 2};
    for (std::size_t k = 0; k < 5; ++k) {
        const std::size_t at = MdsBlocksAt + k * 80;
        putLe(b, at + 4, static_cast<std::uint64_t>(points[k]), 1);
        if (points[k] > 99)
            continue;
        const bool isData = points[k] == 1;
        const std::int64_t lba = isData ? 0 : data + 150;
        putLe(b, at + 0, isData ? 0xAA : 0xA9, 1);
        putLe(b, at + 1, subchannel ? 8 : 0, 1);
        putLe(b, at + 2, isData ? 0x14 : 0x10, 1);
        putLe(b, at + 3, 0, 1);
        putLe(b, at + 9, static_cast<std::uint64_t>((lba + 150) / 75 / 60), 1);
        putLe(b, at + 10, static_cast<std::uint64_t>((lba + 150) / 75 % 60), 1);
        putLe(b, at + 11, static_cast<std::uint64_t>((lba + 150) % 75), 1);
        putLe(b, at + 0x0C, MdsExtraAt + (isData ? 0 : 8), 4);
        putLe(b, at + 0x10, isData ? size : soundSize, 2);
        putLe(b, at + 0x24, static_cast<std::uint64_t>(lba), 4);
        putLe(b, at + 0x28, isData ? 0 : static_cast<std::uint64_t>(data) * size + 150 * soundSize, 8);
        putLe(b, at + 0x30, 1, 4);
        putLe(b, at + 0x34, MdsFooterAt, 4);
    }
    putLe(b, MdsExtraAt + 0, 0, 4);
    putLe(b, MdsExtraAt + 4, static_cast<std::uint64_t>(data), 4);
    putLe(b, MdsExtraAt + 8, 150, 4);
    putLe(b, MdsExtraAt + 12, static_cast<std::uint64_t>(sound - 150), 4);
    putLe(b, MdsFooterAt, NameAt, 4);
    b += std::string("*.mdf", 6);
    TempFile mds(mdsPath);
    mds.write(b.data(), b.size());
    commitAll({&mdf}, mds);
}

void writeNrg(const std::string& archivePath, const std::string& nrgPath, int sectorSize)
{
    if (sectorSize != 2048 && sectorSize != 2352)
        throw std::runtime_error("a Nero image has data sectors of 2048 or 2352 bytes, not " +
                                 std::to_string(sectorSize));
    const auto size = static_cast<std::size_t>(sectorSize);
    TempFile nrg(nrgPath);
    // The data track's two-second pregap, as Nero writes it.
    const std::vector<std::uint8_t> pregap(150 * size, 0);
    nrg.write(pregap.data(), pregap.size());
    const std::int64_t data = writeData(archivePath, nrg, size == RawSize, 0);
    const std::int64_t sound = writeSound(nrg, RawSize);
    const std::uint64_t dataStart = pregap.size(), dataEnd = dataStart + static_cast<std::uint64_t>(data) * size;
    const std::uint64_t soundEnd = dataEnd + static_cast<std::uint64_t>(sound) * RawSize;

    const auto bcd = [](int v) { return static_cast<std::uint64_t>((v / 10) * 16 + v % 10); };
    const auto cue = [&](int control, int track, int index, std::int64_t lba) {
        return be(static_cast<std::uint64_t>(control), 1) + be(bcd(track), 1) + be(bcd(index), 1) + be(0, 1) +
               be(static_cast<std::uint32_t>(lba), 4);
    };
    const std::string cuex = cue(0x41, 0, 0, -150) + cue(0x41, 1, 0, -150) + cue(0x41, 1, 1, 0) +
                             cue(0x01, 2, 0, data) + cue(0x01, 2, 1, data + 150) + cue(0x01, 0xAA, 1, data + sound);
    const auto block = [&](std::size_t sectorBytes, int mode, std::uint64_t index0, std::uint64_t index1,
                           std::uint64_t end) {
        return std::string(12, '\0') + be(sectorBytes, 2) + be(static_cast<std::uint64_t>(mode), 1) +
               std::string(3, '\0') + be(index0, 8) + be(index1, 8) + be(end, 8);
    };
    std::string daox = std::string(13, '\0') + '\0' + be(1, 2) + be(1, 1) + be(2, 1) +
                       block(size, size == RawSize ? 0x05 : 0x00, 0, dataStart, dataEnd) +
                       block(RawSize, 0x07, dataEnd, dataEnd + 150 * RawSize, soundEnd);
    daox = be(daox.size() + 4, 4) + daox;
    const std::string chunks = "CUEX" + be(cuex.size(), 4) + cuex + "DAOX" + be(daox.size(), 4) + daox + "END!" +
                               be(0, 4) + "NER5" + be(soundEnd, 8);
    nrg.write(chunks.data(), chunks.size());
    nrg.commit();
}

}  // namespace hotaru
