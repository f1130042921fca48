#include "disc/ArchiveReader.h"

#include "platform/Bytes.h"

#include "disc/CdSector.h"
#include "disc/CloneCd.h"
#include "disc/CueSheet.h"
#include "disc/DataTrack.h"
#include "disc/Mds.h"
#include "disc/Nrg.h"
#include "platform/File.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

namespace hotaru::disc {

namespace {

// Enough of a file's start to tell what it is: an ISO image's first volume
// descriptor (sector 16) lies within it.
constexpr std::size_t HeadSize = 17 * 2048;
// A CUE sheet is text of a few lines; anything larger is not read as one.
constexpr std::int64_t MaxSheetSize = 1 << 20;

class PlainReader : public ArchiveReader {
public:
    PlainReader(std::shared_ptr<BlockSource> file, ReadOptions options, ReadEvents events)
        : file_(std::move(file)), options_(std::move(options)), events_(std::move(events))
    {
    }
    std::int64_t size() const override { return file_->size(); }
    void read(std::int64_t offset, void* buffer, std::size_t n) override
    {
        readRetrying(*file_, offset, buffer, n, 0, UserDataSize, {offset, static_cast<std::int64_t>(UserDataSize)},
                     options_, events_);
    }

private:
    std::shared_ptr<BlockSource> file_;
    ReadOptions options_;
    ReadEvents events_;
};

class ImageReader : public ArchiveReader {
public:
    ImageReader(std::string path, std::unique_ptr<DataTrack> track)
        : path_(std::move(path)), track_(std::move(track)), extents_(findArchive(*track_, path_))
    {
        for (const Extent& e : extents_)
            size_ += e.length;
    }
    std::int64_t size() const override { return size_; }
    void read(std::int64_t offset, void* buffer, std::size_t n) override
    {
        if (offset < 0 || offset + static_cast<std::int64_t>(n) > size_)
            throw EInOutError(io::ReadPastEnd, path_);
        auto* out = static_cast<char*>(buffer);
        std::int64_t base = 0;
        for (const Extent& e : extents_) {
            if (n == 0)
                break;
            if (offset < base + e.length) {
                const std::int64_t within = offset - base;
                const auto k = static_cast<std::size_t>(std::min<std::int64_t>(e.length - within, n));
                track_->read(e.at + within, out, k, offset);
                out += k;
                n -= k;
                offset += static_cast<std::int64_t>(k);
            }
            base += e.length;
        }
    }

private:
    std::string path_;
    std::unique_ptr<DataTrack> track_;
    std::vector<Extent> extents_;
    std::int64_t size_ = 0;
};

std::string lowerExtension(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t sep = path.find_last_of("/\\");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep))
        return {};
    return asciiLower(path.substr(dot + 1));
}

// A file a sheet made on Windows names, as Windows would find it here: with
// backslashes as separators, and in other capitals when exactly one name of
// its folder matches. Windows itself finds it as written.
std::optional<std::string> findAsWindowsWould(std::string path)
{
#ifdef _WIN32
    (void)path;
    return std::nullopt;
#else
    std::replace(path.begin(), path.end(), '\\', '/');
    if (isRegularFile(path))
        return path;
    const std::size_t cut = path.find_last_of('/');
    const std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    const std::string wanted = asciiLower(path.substr(folder.size()));
    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end;
    std::string match;
    int matches = 0;
    for (; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (asciiLower(name) == wanted) {
            match = name;
            ++matches;
        }
    }
    if (matches != 1)
        return std::nullopt;
    return folder + match;
#endif
}

struct Opener {
    ReadOptions options;
    ReadEvents events;

    std::shared_ptr<BlockSource> open(const std::string& path) const
    {
        if (options.openFile)
            return options.openFile(path);
        return openFileSource(path);
    }
    TrackReading reading() const { return {options, events}; }
};

// A whole file read as one track of `layout` sectors from `start`.
std::unique_ptr<DataTrack> fileTrack(std::shared_ptr<BlockSource> file, std::int64_t start, std::int64_t end,
                                     SectorLayout layout, const TrackReading& reading)
{
    const auto size = static_cast<std::int64_t>(layout.sectorSize);
    const std::int64_t sectors = std::max<std::int64_t>(0, end - start) / size;
    if (layout.sectorSize == UserDataSize)
        return cookedTrack(std::move(file), start, sectors, reading);
    return rawTrack(std::move(file), start, sectors, layout.sectorSize, layout.dataOffset, reading);
}

std::unique_ptr<DataTrack> sheetTrack(const std::string& sheetPath, BlockSource& sheet, const Opener& opener)
{
    if (sheet.size() > MaxSheetSize)
        throw ImageError(ImageFault::BadSheet, sheetPath, sheetPath + " is too large for a CUE sheet").withLine(1);
    std::string text(static_cast<std::size_t>(sheet.size()), '\0');
    readRetrying(sheet, 0, text.data(), text.size(), 0, UserDataSize, {}, opener.options, opener.events);
    const std::vector<CueTrack> tracks = parseCueSheet(text, sheetPath);
    const auto data =
        std::find_if(tracks.begin(), tracks.end(), [](const CueTrack& t) { return t.mode != TrackMode::Audio; });
    if (data == tracks.end())
        throw ImageError(ImageFault::NoDataTrack, sheetPath, sheetPath + " names no data track");

    if (!holdsSectors(*data))
        throw ImageError(ImageFault::NotSupported, data->file,
                         sheetPath + ", line " + std::to_string(data->line) + ": its data track is in a " +
                             data->fileType + " file, which holds sound, not a disc's sectors");

    std::shared_ptr<BlockSource> file;
    try {
        file = opener.open(data->file);
    } catch (const EInOutError& e) {
        if (e.code() != io::FileNotFound && e.code() != io::PathNotFound)
            throw;
        // Sheets made on Windows: the name in other capitals, or behind backslashes.
        const std::optional<std::string> found = findAsWindowsWould(data->file);
        if (!found)
            throw ImageError(ImageFault::MissingTrackFile, data->file,
                             sheetPath + " names " + data->file + ", which is not there");
        file = opener.open(*found);
    }
    const SectorLayout layout = layoutOf(data->mode);
    const auto sectorSize = static_cast<std::int64_t>(layout.sectorSize);
    const std::int64_t start = data->index1 * sectorSize;
    // The track ends where the next track in the same file begins, else with the file.
    std::int64_t end = file->size();
    const auto next = data + 1;
    const bool sameFile = next != tracks.end() && next->file == data->file;
    if (sameFile)
        end = (next->index0 >= 0 ? next->index0 : next->index1) * sectorSize;
    if (start > file->size() || end > file->size() || (!sameFile && (end - start) % sectorSize != 0))
        throw ImageError(ImageFault::TrackTooShort, data->file, data->file + " is shorter than " + sheetPath + " says");
    if (end < start)
        throw ImageError(ImageFault::BadSheet, sheetPath,
                         sheetPath + ", line " + std::to_string(next->line) +
                             ": the track starts before the one before")
            .withLine(next->line);
    return fileTrack(std::move(file), start, end, layout, opener.reading());
}

// A descriptor file read whole, within the size any real one has.
std::string descriptorText(const std::string& path, BlockSource& file, const Opener& opener)
{
    if (file.size() > MaxSheetSize)
        throw ImageError(ImageFault::BadSheet, path, path + " is too large for a disc image's descriptor");
    std::string text(static_cast<std::size_t>(file.size()), '\0');
    readRetrying(file, 0, text.data(), text.size(), 0, UserDataSize, {}, opener.options, opener.events);
    return text;
}

std::string withExtension(const std::string& path, const std::string& extension)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t sep = path.find_last_of("/\\");
    const bool hasOne = dot != std::string::npos && (sep == std::string::npos || dot > sep);
    return (hasOne ? path.substr(0, dot) : path) + "." + extension;
}

// The file beside `path` with another extension, as written or in other capitals.
std::optional<std::string> companion(const std::string& path, const std::string& extension)
{
    const std::string wanted = withExtension(path, extension);
    if (isRegularFile(wanted))
        return wanted;
    return findAsWindowsWould(wanted);
}

// Opens a file an image's descriptor names, saying which is missing.
std::shared_ptr<BlockSource> namedFile(const std::string& descriptor, const std::string& name, const Opener& opener)
{
    try {
        return opener.open(name);
    } catch (const EInOutError& e) {
        if (e.code() == io::FileNotFound || e.code() == io::PathNotFound)
            throw ImageError(ImageFault::MissingTrackFile, name,
                             descriptor + " names " + name + ", which is not there");
        throw;
    }
}

// `sectors` sectors of `layout` from byte `start` of `file` (-1: to its end).
std::unique_ptr<DataTrack> placedTrack(std::shared_ptr<BlockSource> file, std::int64_t start, std::int64_t sectors,
                                       SectorLayout layout, const std::string& descriptor, const Opener& opener)
{
    const auto size = static_cast<std::int64_t>(layout.sectorSize);
    const std::int64_t end = sectors < 0 ? file->size() : start + sectors * size;
    if (start > file->size() || end > file->size())
        throw ImageError(ImageFault::TrackTooShort, file->path(),
                         file->path() + " is shorter than " + descriptor + " says");
    return fileTrack(std::move(file), start, end, layout, opener.reading());
}

std::unique_ptr<DataTrack> cloneCdTrack(const std::string& ccdPath, BlockSource& ccd, const Opener& opener)
{
    const CloneCdTrack track = parseCloneCd(descriptorText(ccdPath, ccd, opener), ccdPath);
    std::shared_ptr<BlockSource> file =
        namedFile(ccdPath, companion(ccdPath, "img").value_or(withExtension(ccdPath, "img")), opener);
    const SectorLayout layout = layoutOf(track.mode);
    return placedTrack(std::move(file), track.firstSector * static_cast<std::int64_t>(layout.sectorSize), track.sectors,
                       layout, ccdPath, opener);
}

std::unique_ptr<DataTrack> mdsTrack(const std::string& mdsPath, BlockSource& mds, const Opener& opener)
{
    const MdsTrack track = parseMds(descriptorText(mdsPath, mds, opener), mdsPath);
    const std::string name =
        isRegularFile(track.file) ? track.file : findAsWindowsWould(track.file).value_or(track.file);
    return placedTrack(namedFile(mdsPath, name, opener), track.start, track.sectors, track.layout, mdsPath, opener);
}

// The chunks of a Nero image, when `file` ends in the footer of one: named .nrg,
// or with a chunk Nero writes where the footer points.
std::optional<std::string> nrgChunks(const std::string& path, BlockSource& file, const Opener& opener)
{
    if (file.size() < 12)
        return std::nullopt;
    std::string tail(12, '\0');
    readRetrying(file, file.size() - 12, tail.data(), tail.size(), 0, UserDataSize, {}, opener.options, opener.events);
    const std::optional<NrgFooter> footer = nrgFooter(tail);
    if (!footer)
        return std::nullopt;
    const std::int64_t end = file.size() - footer->size;
    const bool named = lowerExtension(path) == "nrg";
    if (footer->chunksAt > end || end - footer->chunksAt < 4) {
        if (!named)
            return std::nullopt;
        throw ImageError(ImageFault::BadSheet, path, path + ": its footer points past its end");
    }
    // Unless named so, a file is a Nero image only when a chunk Nero writes
    // stands where its footer points.
    if (!named) {
        static constexpr std::string_view Known[] = {"CUEX", "CUES", "DAOX", "DAOI", "ETN2",
                                                     "ETNF", "SINF", "MTYP", "CDTX", "END!"};
        char id[4];
        readRetrying(file, footer->chunksAt, id, sizeof id, 0, UserDataSize, {}, opener.options, opener.events);
        if (std::find(std::begin(Known), std::end(Known), std::string_view(id, sizeof id)) == std::end(Known))
            return std::nullopt;
    }
    if (end - footer->chunksAt > MaxSheetSize)
        throw ImageError(ImageFault::BadSheet, path, path + ": its track list is larger than any Nero writes");
    std::string chunks(static_cast<std::size_t>(end - footer->chunksAt), '\0');
    readRetrying(file, footer->chunksAt, chunks.data(), chunks.size(), 0, UserDataSize, {}, opener.options,
                 opener.events);
    return chunks;
}

}  // namespace

std::unique_ptr<ArchiveReader> openArchive(const std::string& path, ReadEvents events, ReadOptions options)
{
    const Opener opener{std::move(options), std::move(events)};
    std::shared_ptr<BlockSource> file = opener.open(path);
    const std::vector<std::int64_t>& plain = opener.options.archiveSizes;
    if (std::find(plain.begin(), plain.end(), file->size()) != plain.end())
        return std::make_unique<PlainReader>(std::move(file), opener.options, opener.events);
    std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::int64_t>(file->size(), HeadSize)));
    readRetrying(*file, 0, head.data(), head.size(), 0, UserDataSize, {}, opener.options, opener.events);
    const auto has = [&](std::size_t at, std::string_view text) {
        return head.size() >= at + text.size() && std::memcmp(head.data() + at, text.data(), text.size()) == 0;
    };

    const std::string extension = lowerExtension(path);
    // A CloneCD image opened by its sectors or its subchannel file.
    if (extension == "img" || extension == "sub") {
        if (const std::optional<std::string> ccd = companion(path, "ccd")) {
            std::shared_ptr<BlockSource> descriptor = opener.open(*ccd);
            return std::make_unique<ImageReader>(*ccd, cloneCdTrack(*ccd, *descriptor, opener));
        }
    }
    // An Alcohol image opened by its sectors.
    if (extension == "mdf") {
        if (const std::optional<std::string> mds = companion(path, "mds")) {
            std::shared_ptr<BlockSource> descriptor = opener.open(*mds);
            return std::make_unique<ImageReader>(*mds, mdsTrack(*mds, *descriptor, opener));
        }
    }
    if (extension == "mdx")
        throw ImageError(ImageFault::NotSupported, path,
                         path + ": Alcohol descriptors of version 2 (.mdx) are not supported, only .mds of version 1");
    if (has(0, "MEDIA DESCRIPTOR"))
        return std::make_unique<ImageReader>(path, mdsTrack(path, *file, opener));
    if (const std::optional<std::string> chunks = nrgChunks(path, *file, opener)) {
        const NrgTrack track = parseNrg(*chunks, file->size(), path);
        return std::make_unique<ImageReader>(path,
                                             placedTrack(file, track.start, track.sectors, track.layout, path, opener));
    }
    if (has(0, "MComprHD"))
        return std::make_unique<ImageReader>(path, chdTrack(std::move(file), opener.reading()));
    if (has(16 * 2048 + 1, "CD001"))
        return std::make_unique<ImageReader>(path, fileTrack(file, 0, file->size(), {2048, 0}, opener.reading()));
    if (head.size() >= 16 && startsWithSync(head.data())) {
        const std::uint8_t mode = head[15];
        if (mode != 1 && mode != 2)
            throw ImageError(ImageFault::NotSupported, path, path + ": raw sectors of mode " + std::to_string(mode));
        const SectorLayout layout = layoutOf(mode == 1 ? TrackMode::Mode1Raw : TrackMode::Mode2Raw);
        return std::make_unique<ImageReader>(path, fileTrack(file, 0, file->size(), layout, opener.reading()));
    }
    const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    if (extension == "ccd" || text.starts_with("[CloneCD]"))
        return std::make_unique<ImageReader>(path, cloneCdTrack(path, *file, opener));
    if (extension == "cue" || (file->size() <= MaxSheetSize && looksLikeCueSheet(text)))
        return std::make_unique<ImageReader>(path, sheetTrack(path, *file, opener));
    return std::make_unique<PlainReader>(std::move(file), opener.options, opener.events);
}

}  // namespace hotaru::disc
