#include "disc/ChdBinCue.h"

#include "disc/CdSector.h"
#include "disc/ChdFile.h"
#include "disc/ImageError.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace hotaru::disc {

namespace {

using namespace chd;

struct TrackKind {
    std::string sheetMode;  // the TRACK command's mode
    std::size_t sectorSize = 0;
};

// Bytes a sector of a CHD track type takes in the BIN: what the CHD keeps of it.
TrackKind kindOf(const TrackInfo& t, const std::string& path)
{
    static const std::pair<const char*, std::size_t> Sizes[] = {
        {"MODE1", 2048},       {"MODE1_RAW", 2352},      {"MODE2", 2336},     {"MODE2_FORM1", 2048},
        {"MODE2_FORM2", 2324}, {"MODE2_FORM_MIX", 2336}, {"MODE2_RAW", 2352}, {"AUDIO", 2352},
    };
    for (const auto& [type, size] : Sizes) {
        if (t.type != type)
            continue;
        if (t.type == "AUDIO")
            return {"AUDIO", size};
        char mode[16];
        std::snprintf(mode, sizeof mode, "%s/%04zu", t.type.starts_with("MODE1") ? "MODE1" : "MODE2", size);
        return {mode, size};
    }
    throw ImageError(ImageFault::NotSupported, path, path + ": tracks of type " + t.type + " are not supported");
}

std::string msf(std::int64_t frames)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(frames / (60 * 75)),
                  static_cast<int>(frames / 75 % 60), static_cast<int>(frames % 75));
    return text;
}

ChdFile openChd(const std::string& path, const ReadOptions& options)
{
    std::shared_ptr<BlockSource> file = options.openFile ? options.openFile(path) : openFileSource(path);
    return ChdFile(std::move(file), TrackReading{options, {}});
}

// Each track's first frame in the hunks, after the padded tracks before it.
std::vector<std::int64_t> trackStarts(const std::vector<TrackInfo>& tracks)
{
    std::vector<std::int64_t> starts;
    std::int64_t frame = 0;
    for (const TrackInfo& t : tracks) {
        starts.push_back(frame);
        frame += (t.frames + TrackPadding - 1) / TrackPadding * TrackPadding;
    }
    return starts;
}

}  // namespace

ChdBinCue chdBinCue(const std::string& chdPath, const std::string& binName, const ReadOptions& options)
{
    const ChdFile chd = openChd(chdPath, options);
    ChdBinCue out;
    out.sheet = "FILE \"" + binName + "\" BINARY\n";
    std::int64_t frame = 0;
    int number = 1;
    for (const TrackInfo& t : chd.tracks()) {
        const TrackKind kind = kindOf(t, chdPath);
        char line[32];
        std::snprintf(line, sizeof line, "  TRACK %02d ", number++);
        out.sheet += line + kind.sheetMode + "\n";
        // A pregap the CHD keeps is in the BIN too; one it does not is only named.
        if (t.pregap > 0 && !t.pregapInData) {
            out.sheet += "    PREGAP " + msf(t.pregap) + "\n";
            out.sheet += "    INDEX 01 " + msf(frame) + "\n";
        } else if (t.pregap > 0) {
            out.sheet += "    INDEX 00 " + msf(frame) + "\n";
            out.sheet += "    INDEX 01 " + msf(frame + t.pregap) + "\n";
        } else {
            out.sheet += "    INDEX 01 " + msf(frame) + "\n";
        }
        if (t.postgap > 0)
            out.sheet += "    POSTGAP " + msf(t.postgap) + "\n";
        frame += t.frames;
        out.binBytes += t.frames * static_cast<std::int64_t>(kind.sectorSize);
    }
    return out;
}

void writeChdBin(const std::string& chdPath, const ReadOptions& options,
                 const std::function<void(const std::uint8_t* data, std::size_t n)>& sink)
{
    const ChdFile chd = openChd(chdPath, options);
    const std::vector<TrackInfo> tracks = chd.tracks();
    const std::vector<std::int64_t> starts = trackStarts(tracks);
    const std::int64_t framesPerHunk = chd.hunkBytes() / FrameSize;
    std::vector<std::uint8_t> hunk(chd.hunkBytes());
    std::int64_t decoded = -1;
    // A few hundred KiB at a time: the caller looks for a stop between pieces.
    constexpr std::size_t PieceSectors = 128;
    std::vector<std::uint8_t> piece;
    piece.reserve(PieceSectors * RawSectorSize);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const TrackKind kind = kindOf(tracks[i], chdPath);
        const bool audio = tracks[i].type == "AUDIO";
        for (std::int64_t f = 0; f < tracks[i].frames; ++f) {
            const std::int64_t frame = starts[i] + f;
            if (frame / framesPerHunk != decoded) {
                decoded = frame / framesPerHunk;
                if (decoded >= chd.hunkCount())
                    throw ImageError(ImageFault::Malformed, chdPath, chdPath + ": its tracks are longer than it");
                chd.decode(static_cast<std::uint32_t>(decoded), hunk.data(), true, -1);
            }
            const std::uint8_t* sector = hunk.data() + frame % framesPerHunk * static_cast<std::int64_t>(FrameSize);
            const std::size_t at = piece.size();
            piece.insert(piece.end(), sector, sector + kind.sectorSize);
            // A CHD keeps sound big-endian; a BIN little-endian.
            if (audio)
                for (std::size_t b = at; b + 1 < piece.size(); b += 2)
                    std::swap(piece[b], piece[b + 1]);
            if (piece.size() >= PieceSectors * kind.sectorSize) {
                sink(piece.data(), piece.size());
                piece.clear();
            }
        }
    }
    if (!piece.empty())
        sink(piece.data(), piece.size());
}

}  // namespace hotaru::disc
