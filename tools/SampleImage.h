#pragma once

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

// A CUE sheet and one BIN per track, as dumping tools write them: track 1 the
// ISO 9660 file system in raw sectors of `mode`, track 2 `audioSeconds` of
// sound after a two-second pregap. The BINs are named
// "<sheet name> (Track N).bin" beside the sheet.
void writeBinCue(const std::string& archivePath, const std::string& cuePath, DataTrackMode mode = DataTrackMode::Mode1,
                 int audioSeconds = 2);

// The BIN/CUE packed by `chdman createcd`. Throws std::runtime_error when
// chdman is missing or fails.
void writeChd(const std::string& archivePath, const std::string& chdPath, DataTrackMode mode = DataTrackMode::Mode1);

// The BIN file of track `track` that writeBinCue writes beside `cuePath`.
std::string trackFileName(const std::string& cuePath, int track);

// A program's full path from PATH ("chdman", "xorriso"), or empty when it is not installed.
std::string findProgram(const std::string& name);

}  // namespace hotaru
