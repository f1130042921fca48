// A patched copy of every kind of image: the archive reads back with the new
// bytes, every mended raw sector carries the checks the CD's own formulas
// give, everything else stays as the user's files have it, and a failed or
// stopped copy leaves nothing behind.
#include "DiscTestSupport.h"

#include "disc/ArchiveReader.h"
#include "disc/ChdBinCue.h"
#include "disc/PatchedCopy.h"
#include "platform/Bytes.h"
#include "platform/Process.h"

#include <filesystem>
#include <set>

using namespace disctest;
using hotaru::disc::ArchiveChange;
using hotaru::disc::ArchiveLayout;
using hotaru::disc::CopyStep;
using hotaru::disc::openArchive;
using hotaru::disc::PatchedCopyEvents;
using hotaru::disc::PatchedCopyOptions;
using hotaru::disc::PatchFailure;
using hotaru::disc::TrackMode;
using hotaru::disc::writePatchedCopy;

namespace {

// ----- The CD's checks, written from their formulas -------------------------

// EDC: CRC-32 of x^32+x^31+x^16+x^15+x^4+x^3+x+1, bits taken lowest first.
std::uint32_t referenceEdc(const std::uint8_t* p, std::size_t n)
{
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xD8018001u : crc >> 1;
    }
    return crc;
}

// Multiplication by alpha in GF(2^8) of x^8+x^4+x^3+x^2+1.
std::uint8_t timesAlpha(std::uint8_t v) { return static_cast<std::uint8_t>((v << 1) ^ ((v & 0x80) ? 0x1D : 0)); }

// A Reed-Solomon codeword holds when both syndromes vanish: the sum of its
// bytes, and the sum of byte i times alpha^(n-1-i).
bool codewordHolds(const std::vector<std::uint8_t>& word)
{
    std::uint8_t s0 = 0, s1 = 0;
    for (const std::uint8_t v : word) {
        s0 ^= v;
        s1 = static_cast<std::uint8_t>(timesAlpha(s1) ^ v);
    }
    return s0 == 0 && s1 == 0;
}

// Whether a raw sector's EDC and both parity layers are what its bytes give.
// Mode 2 counts its header as zeros in the parity.
::testing::AssertionResult sectorChecksHold(std::string sector, TrackMode mode)
{
    auto* s = reinterpret_cast<std::uint8_t*>(sector.data());
    const bool mode2 = mode == TrackMode::Mode2Raw;
    const std::size_t from = mode2 ? 16 : 0, to = mode2 ? 2072 : 2064;
    const std::uint32_t stored = static_cast<std::uint32_t>(s[to]) | static_cast<std::uint32_t>(s[to + 1]) << 8 |
                                 static_cast<std::uint32_t>(s[to + 2]) << 16 |
                                 static_cast<std::uint32_t>(s[to + 3]) << 24;
    if (referenceEdc(s + from, to - from) != stored)
        return ::testing::AssertionFailure() << "EDC";
    if (mode2)
        std::fill(s + 12, s + 16, 0);
    // P: 86 columns of 24 bytes from byte 12, their two parity rows after them.
    const std::uint8_t* body = s + 12;
    for (std::size_t column = 0; column < 86; ++column) {
        std::vector<std::uint8_t> word;
        for (std::size_t row = 0; row < 26; ++row)
            word.push_back(body[row * 86 + column]);
        if (!codewordHolds(word))
            return ::testing::AssertionFailure() << "P column " << column;
    }
    // Q: 52 diagonals of 43 bytes across data and P, parity at 2248 and 2300.
    for (std::size_t diagonal = 0; diagonal < 52; ++diagonal) {
        std::vector<std::uint8_t> word;
        for (std::size_t k = 0; k < 43; ++k)
            word.push_back(body[((diagonal / 2) * 86 + diagonal % 2 + 88 * k) % 2236]);
        word.push_back(s[2248 + diagonal]);
        word.push_back(s[2248 + 52 + diagonal]);
        if (!codewordHolds(word))
            return ::testing::AssertionFailure() << "Q diagonal " << diagonal;
    }
    return ::testing::AssertionSuccess();
}

// ----- The formats --------------------------------------------------------

enum class Kind {
    Plain,
    Iso,
    BinCueMode1,
    BinCueMode2,
    IsoWav,
    CloneCd,
    Mds2048,
    Mds2352,
    Mds2448,
    Nrg2048,
    Nrg2352,
    ChdByChdman,
    ChdAsBinCue,
};

struct Format {
    Kind kind;
    const char* name;
    const char* primary;  // the file the user opens
};

const Format Formats[] = {
    {Kind::Plain, "Plain", "hotaru4"},
    {Kind::Iso, "Iso", "disc.iso"},
    {Kind::BinCueMode1, "BinCueMode1", "disc.cue"},
    {Kind::BinCueMode2, "BinCueMode2", "disc.cue"},
    {Kind::IsoWav, "IsoWav", "disc.cue"},
    {Kind::CloneCd, "CloneCd", "disc.ccd"},
    {Kind::Mds2048, "Mds2048", "disc.mds"},
    {Kind::Mds2352, "Mds2352", "disc.mds"},
    {Kind::Mds2448, "Mds2448", "disc.mds"},
    {Kind::Nrg2048, "Nrg2048", "disc.nrg"},
    {Kind::Nrg2352, "Nrg2352", "disc.nrg"},
    {Kind::ChdByChdman, "ChdByChdman", "disc.chd"},
    {Kind::ChdAsBinCue, "ChdAsBinCue", "disc.chd"},
};

// Cases are named by their format, not by their bytes.
void PrintTo(const Format& format, std::ostream* os) { *os << format.name; }

bool isChd(Kind k) { return k == Kind::ChdByChdman || k == Kind::ChdAsBinCue; }

// Distinct bytes, not a multiple of a sector.
constexpr std::size_t SmallArchive = 300 * 1024 + 123;
// From mid-sector 37 to mid-sector 40 of the archive: four sectors.
constexpr std::int64_t ChangeAt = 37 * 2048 + 1000;
constexpr std::size_t ChangeLength = 3 * 2048 + 100;
constexpr int TouchedSectors = 4;

std::map<std::string, std::string> contentsOf(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const std::string& name : namesIn(folder))
        files[name] = readFile(utf8Path(fsPath(folder) / fsPath(name)));
    return files;
}

class PatchedCopyTest : public ::testing::TestWithParam<Format> {
protected:
    static inline std::filesystem::path suite;
    static inline std::string archiveBytes, archive, chdman;

    static void SetUpTestSuite()
    {
        suite = freshScratchFolder("hotaru-patched");
        archiveBytes = patterned(SmallArchive, 23);
        archive = utf8Path(suite / "hotaru4");
        writeFile(archive, archiveBytes);
#ifndef _WIN32
        chdman = hotaru::programOnPath("chdman");
#endif
    }
    static void TearDownTestSuite()
    {
        std::error_code ec;
        std::filesystem::remove_all(suite, ec);
    }

    std::filesystem::path dir;
    std::string src, out;
    void SetUp() override
    {
        dir = freshScratchFolder("hotaru-patched-case");
        src = utf8Path(dir / "source");
        out = utf8Path(dir / "copy");
        std::filesystem::create_directories(fsPath(src));
        std::filesystem::create_directories(fsPath(out));
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    std::string in(const std::string& folder, const std::string& name) const
    {
        return utf8Path(fsPath(folder) / fsPath(name));
    }

    // The image of `format` in the source folder; its primary file.
    std::string make(const Format& format)
    {
        const std::string path = in(src, format.primary);
        using hotaru::DataTrackMode;
        switch (format.kind) {
        case Kind::Plain:
            writeFile(path, archiveBytes);
            break;
        case Kind::Iso:
            hotaru::writeIsoImage(archive, path, 30);
            break;
        case Kind::BinCueMode1:
            hotaru::writeBinCue(archive, path, DataTrackMode::Mode1);
            break;
        case Kind::BinCueMode2:
            hotaru::writeBinCue(archive, path, DataTrackMode::Mode2Form1);
            break;
        case Kind::IsoWav:
            hotaru::writeIsoWavCue(archive, path);
            break;
        case Kind::CloneCd:
            hotaru::writeCloneCd(archive, path);
            break;
        case Kind::Mds2048:
        case Kind::Mds2352:
        case Kind::Mds2448:
            hotaru::writeMds(archive, path,
                             format.kind == Kind::Mds2048   ? 2048
                             : format.kind == Kind::Mds2352 ? 2352
                                                            : 2448);
            break;
        case Kind::Nrg2048:
        case Kind::Nrg2352:
            hotaru::writeNrg(archive, path, format.kind == Kind::Nrg2048 ? 2048 : 2352);
            break;
        case Kind::ChdByChdman:
        case Kind::ChdAsBinCue:
            hotaru::writeChd(archive, path);
            break;
        }
        return path;
    }

    PatchedCopyOptions optionsFor(const Format& format) const
    {
        PatchedCopyOptions options;
        options.useChdman = format.kind != Kind::ChdAsBinCue;
        if (format.kind == Kind::Plain)
            options.read.archiveSizes = {static_cast<std::int64_t>(SmallArchive)};
        return options;
    }

    static ArchiveChange change()
    {
        const std::string bytes = patterned(ChangeLength, 99);
        return {ChangeAt, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
    }

    static std::string expectedArchive()
    {
        std::string expected = archiveBytes;
        const ArchiveChange c = change();
        std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + ChangeAt);
        return expected;
    }

    // chdman's BIN/CUE of a CHD, in a folder of its own.
    std::string extracted(const std::string& chd, const std::string& folder)
    {
        std::filesystem::create_directories(fsPath(folder));
        const std::string cue = in(folder, "disc.cue");
        EXPECT_TRUE(run(chdman, {"extractcd", "-i", chd, "-o", cue, "-ob", in(folder, "disc.bin")}));
        return cue;
    }

    // Compares the copy's data track file with the source's, sector by
    // sector: exactly the sectors the change touches differ, each keeps its
    // own header, subheader and subchannel, and raw ones carry valid checks.
    // Every byte outside the data track is the source's.
    void expectSectorsMended(const std::string& sourcePrimary, const std::string& copyPrimary)
    {
        const auto reader = openArchive(copyPrimary);
        const ArchiveLayout& layout = reader->layout();
        const std::string copyTrack = layout.track.file;
        const std::string sourceTrack = in(folderOfFile(sourcePrimary), utf8Path(fsPath(copyTrack).filename()));
        const std::string a = readFile(sourceTrack), b = readFile(copyTrack);
        ASSERT_EQ(a.size(), b.size());
        const std::size_t size = layout.track.layout().sectorSize;
        const bool raw = size >= 2352;
        int differing = 0;
        for (std::size_t at = 0; at < a.size();) {
            const bool inTrack = at >= static_cast<std::size_t>(layout.track.start) && at + size <= a.size();
            const std::size_t n = inTrack ? size : 1;
            if (a.compare(at, n, b, at, n) != 0) {
                ASSERT_TRUE(inTrack) << "byte " << at << " outside the data track changed";
                ++differing;
                const std::size_t header = !raw ? 0 : layout.track.mode == TrackMode::Mode2Raw ? 24 : 16;
                EXPECT_EQ(a.substr(at, header), b.substr(at, header)) << "sector at " << at;
                if (raw) {
                    EXPECT_TRUE(sectorChecksHold(b.substr(at, 2352), layout.track.mode)) << "sector at " << at;
                    EXPECT_EQ(a.substr(at + 2352, size - 2352), b.substr(at + 2352, size - 2352));
                    // The formulas hold for the sector before the change too.
                    EXPECT_TRUE(sectorChecksHold(a.substr(at, 2352), layout.track.mode));
                }
            }
            at += n;
        }
        EXPECT_EQ(differing, TouchedSectors);
    }

    static std::string folderOfFile(const std::string& path) { return utf8Path(fsPath(path).parent_path()); }
};

std::string formatName(const ::testing::TestParamInfo<Format>& info) { return info.param.name; }

#define NEEDS_CHDMAN_FOR(format)                                                                                       \
    DISC_NEEDS_TOOL(!isChd((format).kind) || !chdman.empty(),                                                          \
                    "chdman is not installed (scripts/setup.sh installs mame-tools)")

TEST_P(PatchedCopyTest, CopyHoldsTheChangeAndLeavesTheRestAsItWas)
{
    const Format& format = GetParam();
    NEEDS_CHDMAN_FOR(format);
    const std::string primary = make(format);
    const auto before = contentsOf(src);
    std::map<CopyStep, std::pair<std::int64_t, std::int64_t>> last;
    PatchedCopyEvents events;
    events.progress = [&](CopyStep step, std::int64_t done, std::int64_t total) {
        EXPECT_LE(done, total);
        last[step] = {done, total};
    };
    const auto copy = writePatchedCopy(primary, out, change(), events, optionsFor(format));

    EXPECT_EQ(contentsOf(src), before) << "the user's files changed";
    const auto reader = openArchive(copy.files.front());
    EXPECT_EQ(readAll(*reader), expectedArchive());
    for (const CopyStep step : {CopyStep::Copy, CopyStep::Patch, CopyStep::ReadBack, CopyStep::Rename}) {
        ASSERT_TRUE(last.count(step)) << static_cast<int>(step);
        EXPECT_EQ(last[step].first, last[step].second) << static_cast<int>(step);
    }
    EXPECT_EQ(copy.packedByChdman, format.kind == Kind::ChdByChdman);
    EXPECT_EQ(copy.chdAsBinCue, format.kind == Kind::ChdAsBinCue);
    EXPECT_EQ(copy.sectorsRewritten, TouchedSectors);

    std::set<std::string> expectedNames;
    for (const auto& [name, bytes] : before)
        expectedNames.insert(name);
    if (format.kind == Kind::ChdAsBinCue)
        expectedNames = {"disc.cue", "disc.bin"};
    EXPECT_EQ(namesIn(out), expectedNames);
    EXPECT_EQ(copy.files.front(), in(out, format.kind == Kind::ChdAsBinCue ? "disc.cue" : format.primary));
    EXPECT_EQ(copy.files.size(), expectedNames.size());

    if (isChd(format.kind)) {
        // Sectors are compared in chdman's BIN/CUE of either.
        const std::string sourceCue = extracted(primary, utf8Path(dir / "source-bin"));
        const std::string copyCue = format.kind == Kind::ChdByChdman
                                        ? extracted(copy.files.front(), utf8Path(dir / "copy-bin"))
                                        : copy.files.front();
        if (format.kind == Kind::ChdAsBinCue) {
            EXPECT_EQ(readFile(copyCue), readFile(sourceCue));
        }
        expectSectorsMended(sourceCue, copyCue);
    } else {
        // Every file but the data track's is the user's, byte for byte.
        const std::string track = utf8Path(fsPath(reader->layout().track.file).filename());
        for (const auto& [name, bytes] : before)
            if (name != track) {
                EXPECT_EQ(readFile(in(out, name)), bytes) << name;
            }
        expectSectorsMended(primary, copy.files.front());
    }
}

TEST_P(PatchedCopyTest, StopAtAnyPointLeavesOnlyWhatWasThere)
{
    const Format& format = GetParam();
    NEEDS_CHDMAN_FOR(format);
    const std::string primary = make(format);
    // A file under a final name already: a failed copy must not touch it.
    const std::string kept = in(out, format.kind == Kind::ChdAsBinCue ? "disc.bin" : format.primary);
    writeFile(kept, "the user's own");
    std::set<CopyStep> stoppedIn;
    bool finished = false;
    for (int allowed = 0; allowed < 400 && !finished; ++allowed) {
        std::atomic<int> asked = 0;
        PatchedCopyEvents events;
        events.stopRequested = [&] { return asked++ >= allowed; };
        try {
            writePatchedCopy(primary, out, change(), events, optionsFor(format));
            finished = true;
        } catch (const PatchFailure& e) {
            ASSERT_EQ(e.code, PatchFailure::Stopped) << e.what();
            stoppedIn.insert(e.step);
            ASSERT_EQ(namesIn(out), std::set<std::string>{utf8Path(fsPath(kept).filename())}) << allowed;
            ASSERT_EQ(readFile(kept), "the user's own");
        }
    }
    EXPECT_TRUE(finished);
}

TEST_P(PatchedCopyTest, StopInEachStepIsNamedThere)
{
    const Format& format = GetParam();
    NEEDS_CHDMAN_FOR(format);
    const std::string primary = make(format);
    std::vector<CopyStep> steps{CopyStep::CheckSpace, CopyStep::Copy, CopyStep::Patch, CopyStep::ReadBack,
                                CopyStep::Rename};
    if (format.kind == Kind::ChdByChdman)
        steps.push_back(CopyStep::Pack);
    for (const CopyStep step : steps) {
        // Asked for as soon as the step reports its start.
        std::atomic<bool> stop = false;
        PatchedCopyEvents events;
        events.progress = [&](CopyStep s, std::int64_t, std::int64_t) { stop = stop || s == step; };
        events.stopRequested = [&] { return stop.load(); };
        try {
            writePatchedCopy(primary, out, change(), events, optionsFor(format));
            ADD_FAILURE() << "not stopped in step " << static_cast<int>(step);
        } catch (const PatchFailure& e) {
            EXPECT_EQ(e.code, PatchFailure::Stopped) << e.what();
            EXPECT_EQ(e.step, step);
        }
        EXPECT_TRUE(namesIn(out).empty()) << static_cast<int>(step);
    }
}

TEST_P(PatchedCopyTest, RefusalsWriteNothing)
{
    const Format& format = GetParam();
    NEEDS_CHDMAN_FOR(format);
    const std::string primary = make(format);
    const auto before = contentsOf(src);
    const auto failure = [&](const std::string& folder, const ArchiveChange& c, const PatchedCopyOptions& options) {
        try {
            writePatchedCopy(primary, folder, c, {}, options);
        } catch (const PatchFailure& e) {
            return e;
        }
        ADD_FAILURE() << "the copy was written";
        return PatchFailure(PatchFailure::Stopped, CopyStep::Copy, {}, {});
    };

    // Into the source's own folder.
    EXPECT_EQ(failure(src, change(), optionsFor(format)).code, PatchFailure::OwnFiles);
    EXPECT_EQ(contentsOf(src), before);

    // Too little room: told how much is needed.
    PatchedCopyOptions tight = optionsFor(format);
    tight.freeSpace = [](const std::string&) { return std::optional<std::int64_t>(1000); };
    const PatchFailure full = failure(out, change(), tight);
    EXPECT_EQ(full.code, PatchFailure::NoSpace);
    EXPECT_EQ(full.available, 1000);
    EXPECT_GE(full.needed, static_cast<std::int64_t>(SmallArchive));
    EXPECT_TRUE(namesIn(out).empty());
    // One byte short is short.
    const std::int64_t needed = full.needed;
    tight.freeSpace = [needed](const std::string&) { return std::optional<std::int64_t>(needed - 1); };
    EXPECT_EQ(failure(out, change(), tight).code, PatchFailure::NoSpace);
    EXPECT_TRUE(namesIn(out).empty());

    // A change reaching past the archive's end, or starting before it.
    ArchiveChange late = change();
    late.offset = static_cast<std::int64_t>(SmallArchive) - 10;
    EXPECT_EQ(failure(out, late, optionsFor(format)).code, PatchFailure::ChangeOutside);
    ArchiveChange early = change();
    early.offset = -1;
    EXPECT_EQ(failure(out, early, optionsFor(format)).code, PatchFailure::ChangeOutside);
    EXPECT_TRUE(namesIn(out).empty());
    EXPECT_EQ(contentsOf(src), before);
}

INSTANTIATE_TEST_SUITE_P(Formats, PatchedCopyTest, ::testing::ValuesIn(Formats), formatName);

class PatchedCopyCases : public PatchedCopyTest {};

#ifndef _WIN32
// A folder holding a hard link to one of the source's files is the source's too.
TEST_F(PatchedCopyCases, HardLinkedFileIsTheSourcesOwn)
{
    const std::string primary = make(Formats[2]);
    const std::string bin = hotaru::trackFileName(primary, 1);
    const std::string linked = in(out, utf8Path(fsPath(bin).filename()));
    std::filesystem::create_hard_link(fsPath(bin), fsPath(linked));
    const std::string before = readFile(bin);
    try {
        writePatchedCopy(primary, out, change());
        FAIL() << "written over a hard link of the source";
    } catch (const PatchFailure& e) {
        EXPECT_EQ(e.code, PatchFailure::OwnFiles);
        EXPECT_EQ(e.file, bin);
    }
    EXPECT_EQ(readFile(bin), before);
    EXPECT_EQ(namesIn(out).size(), 1u);
}

// chdman failing is named with its last lines, and nothing is left.
TEST_F(PatchedCopyCases, ChdmanFailureKeepsItsLastLines)
{
    DISC_NEEDS_TOOL(!chdman.empty(), "chdman is not installed (scripts/setup.sh installs mame-tools)");
    const std::string primary = make(Formats[11]);
    const std::string fake = utf8Path(dir / "fake-chdman");
    writeFile(fake, "#!/bin/sh\necho 'Extracting, 12.5% complete...'\necho 'Error: disk full' >&2\nexit 3\n");
    std::filesystem::permissions(fsPath(fake), std::filesystem::perms::owner_all);
    PatchedCopyOptions options;
    options.chdman = fake;
    try {
        writePatchedCopy(primary, out, change(), {}, options);
        FAIL() << "no failure";
    } catch (const PatchFailure& e) {
        EXPECT_EQ(e.code, PatchFailure::ToolFailed);
        EXPECT_EQ(e.step, CopyStep::Copy);
        EXPECT_NE(e.toolOutput.find("Error: disk full"), std::string::npos) << e.toolOutput;
        EXPECT_EQ(e.file, primary);
    }
    EXPECT_TRUE(namesIn(out).empty());
}
#endif

// Without chdman a CHD comes out as the very BIN/CUE chdman would write,
// sound tracks and all.
TEST_F(PatchedCopyCases, ChdBinCueIsChdmansOwn)
{
    DISC_NEEDS_TOOL(!chdman.empty(), "chdman is not installed (scripts/setup.sh installs mame-tools)");
    for (const auto mode : {hotaru::DataTrackMode::Mode1, hotaru::DataTrackMode::Mode2Form1}) {
        const std::string chd = in(src, "disc.chd");
        hotaru::writeChd(archive, chd, mode);
        const std::string cue = extracted(chd, utf8Path(dir / "chdman"));
        const hotaru::disc::ChdBinCue ours = hotaru::disc::chdBinCue(chd, "disc.bin", {});
        EXPECT_EQ(ours.sheet, readFile(cue));
        std::string bin;
        hotaru::disc::writeChdBin(
            chd, {}, [&](const std::uint8_t* p, std::size_t n) { bin.append(reinterpret_cast<const char*>(p), n); });
        EXPECT_EQ(static_cast<std::int64_t>(bin.size()), ours.binBytes);
        EXPECT_TRUE(bin == readFile(in(utf8Path(dir / "chdman"), "disc.bin")));
        std::filesystem::remove_all(dir / "chdman");
    }
}

// The ISO copy is an ISO another reader takes: bsdtar finds the new archive in it.
TEST_F(PatchedCopyCases, IsoCopyReadsWithBsdtar)
{
#ifdef _WIN32
    GTEST_SKIP() << "bsdtar runs on the host only";
#else
    const std::string bsdtar = hotaru::programOnPath("bsdtar");
    DISC_NEEDS_TOOL(!bsdtar.empty(), "bsdtar is not installed (scripts/setup.sh installs libarchive-tools)");
    const std::string primary = make(Formats[1]);
    const auto copy = writePatchedCopy(primary, out, change());
    const std::string tree = utf8Path(dir / "tree");
    std::filesystem::create_directories(fsPath(tree));
    ASSERT_TRUE(run(bsdtar, {"-x", "-f", copy.files.front(), "-C", tree}));
    std::string found;
    for (const std::string& name : namesIn(tree))
        if (hotaru::asciiLower(name).starts_with("hotaru4"))
            found = in(tree, name);
    ASSERT_FALSE(found.empty());
    EXPECT_TRUE(readFile(found) == expectedArchive());
#endif
}

}  // namespace
