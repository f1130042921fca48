#include "disc/ArchiveReader.h"

#include "platform/Bytes.h"

#include "disc/CdSector.h"
#include "disc/CloneCd.h"
#include "disc/CueSheet.h"
#include "disc/DataTrack.h"
#include "disc/ImageTrack.h"
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
        layout_.files = {file_->path()};
        layout_.track = {.file = file_->path(), .mode = TrackMode::Mode1Cooked};
        layout_.extents = {{0, file_->size()}};
    }
    const ArchiveLayout& layout() const override { return layout_; }
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
    ArchiveLayout layout_;
};

class ImageReader : public ArchiveReader {
public:
    // `layout` without its extents, which the track's file system gives.
    ImageReader(ArchiveLayout layout, std::unique_ptr<DataTrack> track)
        : path_(layout.files.front()), track_(std::move(track)), layout_(std::move(layout))
    {
        layout_.extents = findArchive(*track_, path_);
        for (const Extent& e : layout_.extents)
            size_ += e.length;
    }
    const ArchiveLayout& layout() const override { return layout_; }
    std::int64_t size() const override { return size_; }
    void read(std::int64_t offset, void* buffer, std::size_t n) override
    {
        if (offset < 0 || offset + static_cast<std::int64_t>(n) > size_)
            throw EInOutError(io::ReadPastEnd, path_);
        auto* out = static_cast<char*>(buffer);
        std::int64_t base = 0;
        for (const Extent& e : layout_.extents) {
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
    ArchiveLayout layout_;
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

// A descriptor or sheet read whole, within the size any real one has; one
// too large is refused at `line` (0: none).
std::string descriptorText(const std::string& path, BlockSource& file, const Opener& opener, const std::string& kind,
                           int line = 0)
{
    if (file.size() > MaxSheetSize)
        throw ImageError(ImageFault::BadSheet, path, path + " is too large for " + kind).withLine(line);
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

// Opens a file a descriptor names: as named, else as Windows would find it
// (descriptors made there), else says which is missing.
std::shared_ptr<BlockSource> namedFile(const std::string& name, const std::string& descriptor, const Opener& opener)
{
    try {
        return opener.open(name);
    } catch (const EInOutError& e) {
        if (e.code() != io::FileNotFound && e.code() != io::PathNotFound)
            throw;
    }
    const std::optional<std::string> found = findAsWindowsWould(name);
    if (!found)
        throw ImageError(ImageFault::MissingTrackFile, name, descriptor + " names " + name + ", which is not there");
    return opener.open(*found);
}

// A file a descriptor names, as it is found.
std::string foundName(const std::string& name)
{
    return isRegularFile(name) ? name : findAsWindowsWould(name).value_or(name);
}

// The data track every format's record names (layout.track), in the image
// whose files layout.files lists; `file` when its file is open already.
std::unique_ptr<ArchiveReader> imageReader(ArchiveLayout layout, const Opener& opener,
                                           std::shared_ptr<BlockSource> file = nullptr)
{
    const std::string image = layout.files.front();
    ImageTrack& track = layout.track;
    if (!file)
        file = namedFile(track.file, image, opener);
    track.file = file->path();
    const SectorLayout shape = track.layout();
    const auto size = static_cast<std::int64_t>(shape.sectorSize);
    const std::int64_t end = track.sectors < 0 ? file->size() : track.start + track.sectors * size;
    if (track.start > file->size() || end > file->size() ||
        (track.sectors < 0 && track.endsOnSector && (end - track.start) % size != 0))
        throw ImageError(ImageFault::TrackTooShort, file->path(), file->path() + " is shorter than " + image + " says");
    const std::int64_t sectors = std::max<std::int64_t>(0, end - track.start) / size;
    std::unique_ptr<DataTrack> data =
        shape.sectorSize == UserDataSize
            ? cookedTrack(std::move(file), track.start, sectors, opener.reading())
            : rawTrack(std::move(file), track.start, sectors, shape.sectorSize, shape.dataOffset, opener.reading());
    return std::make_unique<ImageReader>(std::move(layout), std::move(data));
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

using Reader = std::unique_ptr<ArchiveReader>;

// What the format table looks at: the file's name and its first bytes.
struct Probe {
    const std::string& path;
    std::string extension;
    std::shared_ptr<BlockSource> file;
    std::string head;
    const Opener& opener;

    bool has(std::size_t at, std::string_view text) const
    {
        return head.size() >= at + text.size() && head.compare(at, text.size(), text) == 0;
    }
};

Reader cueSheet(const std::string& path, BlockSource& file, const Opener& opener)
{
    const std::string text = descriptorText(path, file, opener, "a CUE sheet", 1);
    const std::vector<CueTrack> tracks = parseCueSheet(text, path);
    ArchiveLayout layout{.kind = ImageKind::CueSheet, .files = {path}, .track = cueDataTrack(tracks, path)};
    for (const CueTrack& t : tracks) {
        const std::string name = foundName(t.file);
        if (std::find(layout.files.begin(), layout.files.end(), name) == layout.files.end())
            layout.files.push_back(name);
    }
    return imageReader(std::move(layout), opener);
}

Reader cloneCd(const std::string& path, BlockSource& file, const Opener& opener)
{
    ImageTrack track = parseCloneCd(descriptorText(path, file, opener, "a disc image's descriptor"), path);
    ArchiveLayout layout{.kind = ImageKind::CloneCd, .files = {path, foundName(track.file)}, .track = track};
    if (const std::optional<std::string> sub = companion(path, "sub"))
        layout.files.push_back(*sub);
    return imageReader(std::move(layout), opener);
}

Reader alcohol(const std::string& path, BlockSource& file, const Opener& opener)
{
    ImageTrack track = parseMds(descriptorText(path, file, opener, "a disc image's descriptor"), path);
    ArchiveLayout layout{.kind = ImageKind::Alcohol, .files = {path, foundName(track.file)}, .track = track};
    return imageReader(std::move(layout), opener);
}

// An image opened by its sectors file, read through the descriptor beside it.
Reader byDescriptorBeside(const Probe& p, const std::string& extension,
                          Reader (*format)(const std::string&, BlockSource&, const Opener&))
{
    const std::optional<std::string> descriptor = companion(p.path, extension);
    return descriptor ? format(*descriptor, *p.opener.open(*descriptor), p.opener) : nullptr;
}

// The format table's entries: each opens the file when it is of its format, else gives nothing.
Reader cloneCdSectors(const Probe& p)
{
    return p.extension == "img" || p.extension == "sub" ? byDescriptorBeside(p, "ccd", cloneCd) : nullptr;
}
Reader alcoholSectors(const Probe& p) { return p.extension == "mdf" ? byDescriptorBeside(p, "mds", alcohol) : nullptr; }
Reader alcoholVersion2(const Probe& p)
{
    if (p.extension == "mdx")
        throw ImageError(ImageFault::NotSupported, p.path,
                         p.path +
                             ": Alcohol descriptors of version 2 (.mdx) are not supported, only .mds of version 1");
    return nullptr;
}
Reader chdContent(const Probe& p)
{
    if (!p.has(0, "MComprHD"))
        return nullptr;
    ArchiveLayout layout{.kind = ImageKind::Chd, .files = {p.path}, .track = {.file = p.path}};
    return std::make_unique<ImageReader>(std::move(layout), chdTrack(p.file, p.opener.reading()));
}
Reader alcoholContent(const Probe& p)
{
    return p.has(0, "MEDIA DESCRIPTOR") ? alcohol(p.path, *p.file, p.opener) : nullptr;
}
Reader neroContent(const Probe& p)
{
    const std::optional<std::string> chunks = nrgChunks(p.path, *p.file, p.opener);
    if (!chunks)
        return nullptr;
    ArchiveLayout layout{
        .kind = ImageKind::Nero, .files = {p.path}, .track = parseNrg(*chunks, p.file->size(), p.path)};
    return imageReader(std::move(layout), p.opener, p.file);
}
Reader isoContent(const Probe& p)
{
    const ArchiveLayout layout{
        .kind = ImageKind::Iso, .files = {p.path}, .track = {.file = p.path, .mode = TrackMode::Mode1Cooked}};
    return p.has(16 * 2048 + 1, "CD001") ? imageReader(layout, p.opener, p.file) : nullptr;
}
Reader rawContent(const Probe& p)
{
    if (p.head.size() < 16 || !startsWithSync(reinterpret_cast<const std::uint8_t*>(p.head.data())))
        return nullptr;
    const auto mode = static_cast<std::uint8_t>(p.head[15]);
    if (mode != 1 && mode != 2)
        throw ImageError(ImageFault::NotSupported, p.path, p.path + ": raw sectors of mode " + std::to_string(mode));
    const ArchiveLayout layout{
        .kind = ImageKind::RawBin,
        .files = {p.path},
        .track = {.file = p.path, .mode = mode == 1 ? TrackMode::Mode1Raw : TrackMode::Mode2Raw}};
    return imageReader(layout, p.opener, p.file);
}
Reader cloneCdContent(const Probe& p) { return p.has(0, "[CloneCD]") ? cloneCd(p.path, *p.file, p.opener) : nullptr; }
Reader cueContent(const Probe& p)
{
    const bool sheet = p.file->size() <= MaxSheetSize && looksLikeCueSheet(p.head);
    return sheet ? cueSheet(p.path, *p.file, p.opener) : nullptr;
}
Reader cloneCdName(const Probe& p) { return p.extension == "ccd" ? cloneCd(p.path, *p.file, p.opener) : nullptr; }
Reader cueName(const Probe& p) { return p.extension == "cue" ? cueSheet(p.path, *p.file, p.opener) : nullptr; }

// Consulted in order; a file none takes is the archive itself. Sectors files
// come first: an .img, or an .mdf of 2448-byte sectors, starts with the sync
// pattern of a bare raw track, but only the descriptor beside it says where
// its data track lies and how its sectors are laid out; without one it is read
// by content. Content comes before names: a file is read as what it holds.
using Format = Reader (*)(const Probe&);
constexpr Format Formats[] = {
    // By name, before content.
    cloneCdSectors,
    alcoholSectors,
    alcoholVersion2,
    // By content.
    chdContent,
    alcoholContent,
    neroContent,
    isoContent,
    rawContent,
    cloneCdContent,
    cueContent,
    // By name.
    cloneCdName,
    cueName,
};

}  // namespace

std::unique_ptr<ArchiveReader> openArchive(const std::string& path, ReadEvents events, ReadOptions options)
{
    const Opener opener{std::move(options), std::move(events)};
    std::shared_ptr<BlockSource> file = opener.open(path);
    const std::vector<std::int64_t>& plain = opener.options.archiveSizes;
    if (std::find(plain.begin(), plain.end(), file->size()) != plain.end())
        return std::make_unique<PlainReader>(std::move(file), opener.options, opener.events);
    std::string head(static_cast<std::size_t>(std::min<std::int64_t>(file->size(), HeadSize)), '\0');
    readRetrying(*file, 0, head.data(), head.size(), 0, UserDataSize, {}, opener.options, opener.events);
    const Probe probe{path, lowerExtension(path), file, std::move(head), opener};
    for (const auto format : Formats)
        if (Reader reader = format(probe))
            return reader;
    return std::make_unique<PlainReader>(std::move(file), opener.options, opener.events);
}

}  // namespace hotaru::disc
