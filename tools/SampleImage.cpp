#include "tools/SampleImage.h"
#include "tools/SampleTracks.h"

#include "disc/CdSector.h"
#include "platform/Encoding.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "platform/TempFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <vector>

namespace hotaru {

namespace {

constexpr std::size_t Sector = 2048;
// The layout of the file system: descriptors from 16, then the path tables,
// the root folder and the archive.
constexpr std::uint32_t PrimaryLba = 16, TerminatorLba = 17, LPathLba = 18, MPathLba = 19, RootLba = 20;
constexpr std::size_t ChunkSectors = 256;

void both16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = p[3] = static_cast<std::uint8_t>(v);
    p[1] = p[2] = static_cast<std::uint8_t>(v >> 8);
}

void both32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = p[7 - i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void le32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void be32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[3 - i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// One folder record; returns its length.
std::size_t record(std::uint8_t* p, std::uint32_t lba, std::uint32_t size, bool folder, const std::string& name)
{
    const std::size_t length = (33 + name.size() + 1) & ~std::size_t{1};
    std::memset(p, 0, length);
    p[0] = static_cast<std::uint8_t>(length);
    both32(p + 2, lba);
    both32(p + 10, size);
    const std::uint8_t date[7] = {124, 1, 1, 0, 0, 0, 0};  // 2024-01-01, GMT
    std::memcpy(p + 18, date, sizeof date);
    p[25] = folder ? 2 : 0;
    both16(p + 28, 1);
    p[32] = static_cast<std::uint8_t>(name.size());
    std::memcpy(p + 33, name.data(), name.size());
    return length;
}

void text(std::uint8_t* p, std::size_t n, const char* s)
{
    std::memset(p, ' ', n);
    std::memcpy(p, s, std::min(n, std::strlen(s)));
}

std::string otherFileName(int n)
{
    char name[32];
    std::snprintf(name, sizeof name, "F%04d.TXT;1", n);
    return name;
}

// The root folder's records, none across a sector's end, for `otherFiles`
// empty files (named to sort before the archive) and the archive at
// `archiveLba`; with archiveLba 0 only its length counts.
std::vector<std::uint8_t> rootFolder(int otherFiles, std::uint32_t archiveLba, std::uint32_t archiveSize)
{
    std::vector<std::uint8_t> root(Sector, 0);
    std::size_t at = 0;
    const auto add = [&](std::uint32_t lba, std::uint32_t size, bool folder, const std::string& name) {
        const std::size_t length = (33 + name.size() + 1) & ~std::size_t{1};
        if (at % Sector + length > Sector)
            at = root.size();
        if (at + length > root.size())
            root.resize(root.size() + Sector, 0);
        record(&root[at], lba, size, folder, name);
        at += length;
    };
    // "." and ".." name the folder's own length, known only once it is laid out.
    add(RootLba, 0, true, std::string(1, '\0'));
    add(RootLba, 0, true, std::string(1, '\1'));
    for (int n = 0; n < otherFiles; ++n)
        add(0, 0, false, otherFileName(n));
    add(archiveLba, archiveSize, false, "HOTARU4.;1");
    const auto length = static_cast<std::uint32_t>(root.size());
    both32(&root[10], length);
    both32(&root[root[0] + 10], length);
    return root;
}

// The file system's first sectors, up to the archive.
std::vector<std::uint8_t> isoHead(std::int64_t archiveSize, int otherFiles)
{
    if (archiveSize < 0 || archiveSize > 0xFFFFFFFFll)
        throw std::invalid_argument("the archive does not fit an ISO 9660 file");
    const auto size = static_cast<std::uint32_t>(archiveSize);
    const auto rootSectors = static_cast<std::uint32_t>(rootFolder(otherFiles, 0, size).size() / Sector);
    const std::uint32_t archiveLba = RootLba + rootSectors;
    const std::uint32_t total = archiveLba + static_cast<std::uint32_t>((archiveSize + Sector - 1) / Sector);
    std::vector<std::uint8_t> head(archiveLba * Sector, 0);

    std::uint8_t* pvd = &head[PrimaryLba * Sector];
    pvd[0] = 1;
    std::memcpy(pvd + 1, "CD001", 5);
    pvd[6] = 1;
    text(pvd + 8, 32, "");
    text(pvd + 40, 32, "HOTARU");
    both32(pvd + 80, total);
    both16(pvd + 120, 1);
    both16(pvd + 124, 1);
    both16(pvd + 128, Sector);
    both32(pvd + 132, 10);
    le32(pvd + 140, LPathLba);
    be32(pvd + 148, MPathLba);
    record(pvd + 156, RootLba, rootSectors * Sector, true, std::string(1, '\0'));
    text(pvd + 190, 813 - 190, "");
    for (const std::size_t date : {813, 830, 847, 864}) {
        std::memset(pvd + date, '0', 16);
        pvd[date + 16] = 0;
    }
    std::memcpy(pvd + 813, "2024010100000000", 16);
    std::memcpy(pvd + 830, "2024010100000000", 16);
    pvd[881] = 1;

    std::uint8_t* end = &head[TerminatorLba * Sector];
    end[0] = 255;
    std::memcpy(end + 1, "CD001", 5);
    end[6] = 1;

    // The path tables hold the root folder alone.
    std::uint8_t* l = &head[LPathLba * Sector];
    l[0] = 1;
    le32(l + 2, RootLba);
    l[6] = 1;
    std::uint8_t* m = &head[MPathLba * Sector];
    m[0] = 1;
    be32(m + 2, RootLba);
    m[7] = 1;

    const std::vector<std::uint8_t> root = rootFolder(otherFiles, archiveLba, size);
    std::memcpy(&head[RootLba * Sector], root.data(), root.size());
    return head;
}

// Hands the file system to `sink` in runs of whole 2048-byte sectors.
void isoSectors(const std::string& archivePath, int otherFiles,
                const std::function<void(const std::uint8_t*, std::size_t)>& sink)
{
    File archive = File::openRead(archivePath);
    const std::int64_t size = archive.size();
    const std::vector<std::uint8_t> head = isoHead(size, otherFiles);
    sink(head.data(), head.size() / Sector);
    std::vector<std::uint8_t> chunk(ChunkSectors * Sector);
    for (std::int64_t done = 0; done < size;) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(size - done, std::ssize(chunk)));
        archive.readExact(chunk.data(), n);
        const std::size_t sectors = (n + Sector - 1) / Sector;
        std::memset(chunk.data() + n, 0, sectors * Sector - n);
        sink(chunk.data(), sectors);
        done += static_cast<std::int64_t>(n);
    }
}

}  // namespace

namespace sample {

std::filesystem::path fsPath(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

std::string utf8(const std::filesystem::path& path)
{
    const std::u8string s = path.u8string();
    return {s.begin(), s.end()};
}

std::string withExtension(const std::string& path, const std::string& extension)
{
    return utf8(fsPath(path).replace_extension(fsPath("." + extension)));
}

std::string siblingPath(const std::string& path, const std::string& name)
{
    return utf8(fsPath(path).parent_path() / fsPath(name));
}

std::int64_t dataTrack(const std::string& archivePath, bool raw, DataTrackMode mode, std::size_t subchannel,
                       const std::function<void(const std::uint8_t*, std::size_t)>& sink)
{
    const std::size_t stride = (raw ? RawSize : CookedSize) + subchannel;
    std::vector<std::uint8_t> out(ChunkSectors * stride, 0);
    const auto makeSector = mode == DataTrackMode::Mode2Form1 ? disc::makeMode2Form1Sector : disc::makeMode1Sector;
    std::int64_t lba = 0;
    isoSectors(archivePath, 0, [&](const std::uint8_t* p, std::size_t sectors) {
        for (std::size_t s = 0; s < sectors; ++s, ++lba) {
            std::uint8_t* sector = out.data() + s * stride;
            if (raw)
                makeSector(sector, lba, p + s * Sector);
            else
                std::memcpy(sector, p + s * Sector, Sector);
        }
        sink(out.data(), sectors * stride);
    });
    return lba;
}

std::vector<std::uint8_t> soundTrack(int seconds)
{
    const int pregap = 2 * FramesPerSecond;
    const std::size_t samples = static_cast<std::size_t>(pregap + seconds * FramesPerSecond) * 588;
    std::vector<std::uint8_t> pcm(samples * 4, 0);
    for (std::size_t i = static_cast<std::size_t>(pregap) * 588; i < samples; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const auto left =
            static_cast<std::int16_t>(8000 * std::sin(2 * std::numbers::pi * 440 * t) * (1 + 0.3 * std::sin(3 * t)));
        const auto right = static_cast<std::int16_t>(6000 * std::sin(2 * std::numbers::pi * 660 * t));
        for (const auto& [at, v] : {std::pair{i * 4, left}, std::pair{i * 4 + 2, right}}) {
            pcm[at] = static_cast<std::uint8_t>(v & 0xFF);
            pcm[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
        }
    }
    return pcm;
}

}  // namespace sample

using sample::fsPath;
using sample::siblingPath;
using sample::utf8;

void writeIsoImage(const std::string& archivePath, const std::string& isoPath, int otherFiles)
{
    TempFile out(isoPath);
    isoSectors(archivePath, otherFiles,
               [&](const std::uint8_t* p, std::size_t sectors) { out.write(p, sectors * Sector); });
    out.commit();
}

std::string trackFileName(const std::string& cuePath, int track)
{
    return siblingPath(cuePath, utf8(fsPath(cuePath).stem()) + " (Track " + std::to_string(track) + ").bin");
}

void writeBinCue(const std::string& archivePath, const std::string& cuePath, DataTrackMode mode, int audioSeconds,
                 SheetEncoding encoding)
{
    const std::string dataName = trackFileName(cuePath, 1), audioName = trackFileName(cuePath, 2);
    TempFile data(dataName);
    sample::dataTrack(archivePath, true, mode, 0, [&](const std::uint8_t* p, std::size_t n) { data.write(p, n); });
    TempFile audio(audioName);
    const std::vector<std::uint8_t> pcm = sample::soundTrack(audioSeconds);
    audio.write(pcm.data(), pcm.size());

    const auto quoted = [](const std::string& path) { return "\"" + utf8(fsPath(path).filename()) + "\""; };
    std::string sheet = "FILE " + quoted(dataName) + " BINARY\r\n" + "  TRACK 01 " +
                        (mode == DataTrackMode::Mode2Form1 ? "MODE2/2352" : "MODE1/2352") +
                        "\r\n"
                        "    INDEX 01 00:00:00\r\n"
                        "FILE " +
                        quoted(audioName) + " BINARY\r\n" +
                        "  TRACK 02 AUDIO\r\n"
                        "    INDEX 00 00:00:00\r\n"
                        "    INDEX 01 00:02:00\r\n";
    if (encoding == SheetEncoding::ShiftJis) {
        const std::optional<std::string> sjis = utf8ToCp932(sheet);
        if (!sjis)
            throw std::runtime_error(cuePath + ": its names have characters Shift-JIS does not");
        sheet = *sjis;
    }
    TempFile cue(cuePath);
    cue.write(sheet.data(), sheet.size());
    data.commit();
    audio.commit();
    try {
        cue.commit();
    } catch (...) {
        removeFile(dataName);
        removeFile(audioName);
        throw;
    }
}

void writeChd(const std::string& archivePath, const std::string& chdPath, DataTrackMode mode)
{
    const std::string chdman = programOnPath("chdman");
    if (chdman.empty())
        throw std::runtime_error("chdman is not installed (Debian: apt-get install mame-tools)");
    // The BIN/CUE and chdman's output go to a folder of their own beside the CHD.
    const std::filesystem::path work = fsPath(chdPath + "~chd.tmp");
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    struct Cleanup {
        std::filesystem::path folder;
        ~Cleanup()
        {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    } cleanup{work};
    const std::string cue = utf8(work / "image.cue"), packed = utf8(work / "image.chd");
    writeBinCue(archivePath, cue, mode);
    const ProgramRun run = runProgram(chdman, {"createcd", "-i", cue, "-o", packed}, {}, [] { return false; });
    if (!run.started || !run.exitedNormally || run.exitCode != 0 || !isRegularFile(packed))
        throw std::runtime_error("chdman createcd failed (exit code " + std::to_string(run.exitCode) + ")");
    replaceFile(packed, chdPath);
}

}  // namespace hotaru
