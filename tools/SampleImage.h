#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hotaru {

// Disc images around an archive file, as fans keep their discs. Each writes
// under temporary names and leaves its files only once all are complete.

// An ISO 9660 image whose root folder holds the archive as HOTARU4, after
// `otherFiles` empty files (F0000.TXT on) that make the folder span sectors.
void writeIsoImage(const std::string& archivePath, const std::string& isoPath, int otherFiles = 0);

// How the data track's raw sectors are written.
enum class DataTrackMode {
    Mode1,       // MODE1/2352: sync, header, 2048 bytes, EDC, ECC
    Mode2Form1,  // MODE2/2352: sync, header, subheader twice, 2048 bytes, EDC, ECC
};

// How a CUE sheet's text is written: UTF-8, or code page 932 as Japanese
// Windows tools write it.
enum class SheetEncoding { Utf8, ShiftJis };

// A CUE sheet and one BIN per track, as dumping tools write them: track 1 the
// ISO 9660 file system in raw sectors of `mode`, track 2 `audioSeconds` of
// sound after a two-second pregap. The BINs are named
// "<sheet name> (Track N).bin" beside the sheet.
void writeBinCue(const std::string& archivePath, const std::string& cuePath, DataTrackMode mode = DataTrackMode::Mode1,
                 int audioSeconds = 2, SheetEncoding encoding = SheetEncoding::Utf8);

// The common "ISO + WAV" layout: the sheet names `<name>.iso` (2048-byte
// sectors, MODE1/2048) and the sound track as `<name> (Track 2).wav`.
void writeIsoWavCue(const std::string& archivePath, const std::string& cuePath);

// A CloneCD image: `<name>.ccd`, `<name>.img` (every sector raw: the data
// track, then the sound) and `<name>.sub` (96 bytes of subchannel a sector).
void writeCloneCd(const std::string& archivePath, const std::string& ccdPath);

// An Alcohol 120% image: `<name>.mds` (version 1) and `<name>.mdf`, the data
// track in sectors of `sectorSize`: 2048, 2352, or 2448 (raw, with 96 bytes
// of subchannel after each). Where its parts lie, for tests that damage them:
inline constexpr std::size_t MdsSessionAt = 0x58, MdsBlocksAt = 0x70, MdsExtraAt = 0x200, MdsFooterAt = 0x210;
void writeMds(const std::string& archivePath, const std::string& mdsPath, int sectorSize = 2352);

// A Nero image (version 2, disc at once): a two-second pregap, the data track
// in sectors of `sectorSize` (2048, or 2352 raw), the sound, and its chunks.
void writeNrg(const std::string& archivePath, const std::string& nrgPath, int sectorSize = 2048);

// The BIN/CUE packed by `chdman createcd`. Throws std::runtime_error when
// chdman is missing or fails.
void writeChd(const std::string& archivePath, const std::string& chdPath, DataTrackMode mode = DataTrackMode::Mode1);

// The BIN file of track `track` that writeBinCue writes beside `cuePath`.
std::string trackFileName(const std::string& cuePath, int track);

}  // namespace hotaru
