#include "disc/PatchedCopy.h"

#include "platform/Bytes.h"

#include "disc/ArchiveReader.h"
#include "disc/CdSector.h"
#include "disc/ChdBinCue.h"
#include "disc/ImageError.h"
#include "platform/File.h"
#include "platform/InOutError.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/TempFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <utility>

namespace hotaru::disc {

namespace {

using Code = PatchFailure::Code;

// Bytes moved between looks for a stop and reports of progress.
constexpr std::size_t Chunk = 1 << 20;
// How many of chdman's last lines a failure keeps, and from how far back.
constexpr int ToolLines = 6;
constexpr std::int64_t ToolTail = 4096;
// Looks at chdman's percentage once in so many of runProgram's stop checks (every 100 ms).
constexpr int PercentEvery = 5;

std::filesystem::path fsPath(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

std::size_t nameStart(const std::string& path)
{
#ifdef _WIN32
    const std::size_t cut = path.find_last_of("/\\");
#else
    const std::size_t cut = path.find_last_of('/');
#endif
    return cut == std::string::npos ? 0 : cut + 1;
}

std::string folderOf(const std::string& path) { return path.substr(0, nameStart(path)); }
std::string nameOf(const std::string& path) { return path.substr(nameStart(path)); }
std::string stemOf(const std::string& name)
{
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Whether two paths name one file (or folder): the same path, a symbolic link or a hard link.
bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(fsPath(a.empty() ? "." : a), fsPath(b.empty() ? "." : b), error) && !error;
}

// A TempFile read through the handle that writes it: a second handle could
// not share it on Windows. Named by the final path, as every failure is.
class TempSource : public BlockSource {
public:
    TempSource(TempFile& file, std::string finalPath, std::int64_t size)
        : file_(file), path_(std::move(finalPath)), size_(size)
    {
    }
    const std::string& path() const override { return path_; }
    std::int64_t size() const override { return size_; }
    void readAt(std::int64_t offset, void* buffer, std::size_t n) override
    {
        if (offset < 0 || offset + static_cast<std::int64_t>(n) > size_)
            throw EInOutError(io::ReadPastEnd, path_);
        file_.readAt(offset, buffer, n);
    }

private:
    TempFile& file_;
    std::string path_;
    std::int64_t size_;
};

// Where the mended sectors go: the copy of the data track's file.
struct TrackFile {
    std::function<void(std::int64_t, void*, std::size_t)> readAt;
    std::function<void(std::int64_t, const void*, std::size_t)> writeAt;
};

void storeLittleEndian32(std::uint8_t* at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Gives a raw sector (2352 bytes from sync) whose user data changed its EDC
// and ECC again; its sync, header and subheader stay as they were.
void sealRawSector(std::uint8_t* sector, TrackMode mode)
{
    if (mode == TrackMode::Mode1Raw) {
        storeLittleEndian32(sector + 2064, edc(sector, 2064));
    } else {
        storeLittleEndian32(sector + 2072, edc(sector + 16, 2072 - 16));
    }
    generateEcc(sector);
}

// The same for a mode 2 sector stored without sync and header (2336 bytes):
// its checks never count the header, so a blank one stands in for it.
void sealMode2Sector(std::uint8_t* sector2336)
{
    std::uint8_t raw[RawSectorSize] = {};
    std::memcpy(raw, SyncPattern, sizeof SyncPattern);
    raw[15] = 2;
    std::memcpy(raw + 16, sector2336, 2336);
    sealRawSector(raw, TrackMode::Mode2Raw);
    std::memcpy(sector2336, raw + 16, 2336);
}

class Copier {
public:
    Copier(const std::string& source, const std::string& folder, const ArchiveChange& change,
           const PatchedCopyEvents& events, const PatchedCopyOptions& options)
        : source_(source), folder_(folder), change_(change), events_(events), options_(options)
    {
    }
    Copier(const Copier&) = delete;
    Copier& operator=(const Copier&) = delete;
    ~Copier() { cleanUp(); }

    PatchedCopy run()
    {
        step_ = CopyStep::CheckSpace;
        report(0, 1);
        std::unique_ptr<ArchiveReader> archive =
            reading(source_, [&] { return openArchive(source_, readEvents(), options_.read); });
        const ArchiveLayout layout = archive->layout();
        const auto length = static_cast<std::int64_t>(change_.bytes.size());
        if (change_.offset < 0 || change_.offset > archive->size() || length > archive->size() - change_.offset)
            throw PatchFailure(Code::ChangeOutside, step_, source_,
                               "the change ends at " + std::to_string(change_.offset + length) +
                                   ", past the archive's " + std::to_string(archive->size()) + " bytes");
        if (layout.kind == ImageKind::Chd) {
            const std::string chdman = options_.useChdman
                                           ? (options_.chdman.empty() ? programOnPath("chdman") : options_.chdman)
                                           : std::string();
            if (!chdman.empty())
                chdThroughChdman(layout, *archive, chdman);
            else
                chdAsBinCue(layout, *archive);
        } else {
            imageFiles(layout, *archive);
        }
        result_.sectorsRewritten = sectorsRewritten_;
        return result_;
    }

private:
    // ----- Failures ---------------------------------------------------------

    [[noreturn]] void fail(Code code, const std::string& file, const std::string& what, int ioCode = 0,
                           int systemError = 0)
    {
        PatchFailure failure(code, step_, file, what);
        failure.ioCode = ioCode;
        failure.systemError = systemError;
        throw failure;
    }

    // Runs `f`, reading what `file` names: its failures are ReadFailed (or
    // Stopped), naming the file the error names, else `file`.
    template <typename F>
    auto reading(const std::string& file, F&& f, const std::string& shown = {}) -> decltype(f())
    {
        try {
            return f();
        } catch (const PatchFailure&) {
            throw;
        } catch (const ReadStopped&) {
            fail(Code::Stopped, file, "stopped");
        } catch (const EInOutError& e) {
            fail(Code::ReadFailed, shown.empty() ? (e.path().empty() ? file : e.path()) : shown, e.what(), e.code(),
                 e.systemError());
        } catch (const ImageError& e) {
            fail(Code::ReadFailed, shown.empty() ? (e.file().empty() ? file : e.file()) : shown, e.what(), e.ioCode());
        }
    }

    template <typename F>
    auto writing(const std::string& file, F&& f) -> decltype(f())
    {
        try {
            return f();
        } catch (const PatchFailure&) {
            throw;
        } catch (const EInOutError& e) {
            fail(Code::WriteFailed, file, e.what(), e.code(), e.systemError());
        } catch (const std::filesystem::filesystem_error& e) {
            fail(Code::WriteFailed, file, e.what(), 0, e.code().value());
        }
    }

    bool stopAsked() const { return events_.stopRequested && events_.stopRequested(); }
    void checkStop()
    {
        if (stopAsked())
            fail(Code::Stopped, source_, "stopped");
    }
    void report(std::int64_t done, std::int64_t total) const
    {
        if (events_.progress)
            events_.progress(step_, done, total);
    }
    ReadEvents readEvents() const { return {{}, events_.stopRequested}; }

    // ----- Planning ---------------------------------------------------------

    struct Output {
        std::string source;  // the user's file it copies; empty for one made here
        std::string final;
        std::unique_ptr<TempFile> temp;
        std::int64_t size = 0;
    };

    // Where `file`, named by the image's first file, goes in the folder.
    std::string finalFor(const std::string& file, const std::string& base)
    {
        if (!file.starts_with(base))
            fail(Code::OutsideFolder, file, file + " lies outside " + base);
        const std::string relative = file.substr(base.size());
        for (const auto& part : fsPath(relative))
            if (part == "..")
                fail(Code::OutsideFolder, file, file + " lies outside " + base);
        return joinPath(folder_, relative);
    }

    void refuseOwnFiles(const std::vector<std::string>& sources, const std::vector<std::string>& finals)
    {
        for (const std::string& s : sources) {
            if (sameFile(folderOf(s), folder_))
                fail(Code::OwnFiles, s, folder_ + " holds " + s);
            for (const std::string& f : finals)
                if (sameFile(s, f))
                    fail(Code::OwnFiles, s, f + " is " + s);
        }
    }

    void checkSpace(std::int64_t needed)
    {
        const std::optional<std::int64_t> available =
            options_.freeSpace ? options_.freeSpace(folder_) : hotaru::freeSpace(folder_);
        if (available && *available < needed) {
            PatchFailure failure(Code::NoSpace, step_, folder_,
                                 std::to_string(needed) + " bytes needed, " + std::to_string(*available) + " free");
            failure.needed = needed;
            failure.available = *available;
            throw failure;
        }
        checkStop();
        report(1, 1);
    }

    // Makes the folders a relative name needs, to be removed again on failure.
    void makeFolderOf(const std::string& final)
    {
        std::vector<std::filesystem::path> missing;
        for (auto p = fsPath(final).parent_path(); !p.empty() && !std::filesystem::exists(p); p = p.parent_path()) {
            missing.push_back(p);
            if (p == p.parent_path())
                break;
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            writing(final, [&] { std::filesystem::create_directory(*it); });
            madeFolders_.push_back(*it);
        }
    }

    // ----- The image's own files ------------------------------------------

    void imageFiles(const ArchiveLayout& layout, ArchiveReader& archive)
    {
        const std::string base = folderOf(layout.files.front());
        std::vector<std::string> finals;
        for (const std::string& f : layout.files)
            finals.push_back(finalFor(f, base));
        refuseOwnFiles(layout.files, finals);
        std::int64_t total = 0;
        for (std::size_t i = 0; i < finals.size(); ++i) {
            Output o{layout.files[i], finals[i], nullptr, fileStamp(layout.files[i]).size};
            total += o.size;
            outputs_.push_back(std::move(o));
        }
        checkSpace(total);

        step_ = CopyStep::Copy;
        std::int64_t done = 0;
        report(0, total);
        for (Output& o : outputs_)
            copyFile(o, done, total);

        step_ = CopyStep::Patch;
        Output* track = nullptr;
        for (Output& o : outputs_)
            if (o.source == layout.track.file)
                track = &o;
        if (!track)
            fail(Code::ReadFailed, layout.track.file, layout.track.file + " is not among the image's files");
        patchTrack(layout, tempTrack(*track));

        readBack(archive, outputs_.front().final, mappedReads());
        renameOutputs();
    }

    void copyFile(Output& o, std::int64_t& done, std::int64_t total)
    {
        makeFolderOf(o.final);
        o.temp = writing(o.final, [&] { return std::make_unique<TempFile>(o.final); });
        std::shared_ptr<BlockSource> in = reading(o.source, [&]() -> std::shared_ptr<BlockSource> {
            return options_.read.openFile ? options_.read.openFile(o.source) : openFileSource(o.source);
        });
        o.size = in->size();
        std::vector<std::uint8_t> buffer(Chunk);
        for (std::int64_t at = 0; at < o.size;) {
            checkStop();
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(Chunk, o.size - at));
            reading(o.source, [&] { in->readAt(at, buffer.data(), n); });
            writing(o.final, [&] { o.temp->write(buffer.data(), n); });
            at += static_cast<std::int64_t>(n);
            done += static_cast<std::int64_t>(n);
            report(std::min(done, total), total);
        }
    }

    TrackFile tempTrack(Output& o)
    {
        TempFile& temp = *o.temp;
        const std::string final = o.final;
        return {[this, &temp, final](std::int64_t at, void* p, std::size_t n) {
                    reading(final, [&] { temp.readAt(at, p, n); });
                },
                [this, &temp, final](std::int64_t at, const void* p, std::size_t n) {
                    writing(final, [&] { temp.writeAt(at, p, n); });
                }};
    }

    // ----- Mending the data track -----------------------------------------

    // Puts the change into the data track's file: straight into 2048-byte
    // sectors; into the user data of raw ones, whose checks are made anew.
    void patchTrack(const ArchiveLayout& layout, const TrackFile& file)
    {
        const SectorLayout shape = layout.track.layout();
        const auto sectorSize = static_cast<std::int64_t>(shape.sectorSize);
        const auto user = static_cast<std::int64_t>(UserDataSize);
        const TrackMode mode = layout.track.mode;
        const bool cooked = shape.sectorSize == UserDataSize;
        const auto total = static_cast<std::int64_t>(change_.bytes.size());
        std::vector<std::uint8_t> sector(shape.sectorSize);
        std::int64_t held = -1;  // the sector in `sector`, mended but not yet written
        std::int64_t lastCooked = -1;
        report(0, total);
        checkStop();
        const auto flush = [&] {
            if (held < 0)
                return;
            if (mode == TrackMode::Mode2Cooked)
                sealMode2Sector(sector.data());
            else
                sealRawSector(sector.data(), mode);
            file.writeAt(layout.track.start + held * sectorSize, sector.data(), sector.size());
            ++sectorsRewritten_;
            held = -1;
        };
        std::int64_t base = 0, done = 0, sinceCheck = 0;
        for (const Extent& e : layout.extents) {
            const std::int64_t from = std::max(base, change_.offset);
            const std::int64_t to = std::min(base + e.length, change_.offset + total);
            base += e.length;
            for (std::int64_t a = from; a < to;) {
                const std::int64_t at = e.at + (a - (base - e.length));  // in the track's user bytes
                const std::int64_t s = at / user, within = at % user;
                const std::int64_t k = std::min(user - within, to - a);
                const std::uint8_t* bytes = change_.bytes.data() + (a - change_.offset);
                if (cooked) {
                    file.writeAt(layout.track.start + at, bytes, static_cast<std::size_t>(k));
                    if (s != lastCooked)
                        ++sectorsRewritten_;
                    lastCooked = s;
                } else {
                    if (s != held) {
                        flush();
                        file.readAt(layout.track.start + s * sectorSize, sector.data(), sector.size());
                        held = s;
                    }
                    std::memcpy(sector.data() + shape.dataOffset + within, bytes, static_cast<std::size_t>(k));
                }
                a += k;
                done += k;
                sinceCheck += k;
                if (sinceCheck >= static_cast<std::int64_t>(Chunk)) {
                    sinceCheck = 0;
                    checkStop();
                    report(done, total);
                }
            }
        }
        flush();
        report(total, total);
    }

    // ----- Reading the copy back ------------------------------------------

    // Reads of the copy's final names, answered from their temporaries.
    std::function<std::unique_ptr<BlockSource>(const std::string&)> mappedReads()
    {
        return [this](const std::string& path) -> std::unique_ptr<BlockSource> {
            const auto key = [](std::string p) {
                std::replace(p.begin(), p.end(), '\\', '/');
                return asciiLower(p);
            };
            Output* match = nullptr;
            for (Output& o : outputs_)
                if (o.final == path || (!match && key(o.final) == key(path)))
                    match = &o;
            if (!match || !match->temp)
                throw EInOutError(io::FileNotFound, path);
            return std::make_unique<TempSource>(*match->temp, match->final, match->size);
        };
    }

    // Opens the copy at `first` and compares every archive byte.
    void readBack(ArchiveReader& original, const std::string& first,
                  std::function<std::unique_ptr<BlockSource>(const std::string&)> openFile, std::string shown = {})
    {
        step_ = CopyStep::ReadBack;
        report(0, original.size());
        if (shown.empty())
            shown = first;
        ReadOptions options = options_.read;
        options.openFile = std::move(openFile);
        std::unique_ptr<ArchiveReader> copy =
            readingCopy(shown, -1, [&] { return openArchive(first, readEvents(), options); });
        const std::int64_t size = original.size();
        if (copy->size() != size) {
            PatchFailure failure(Code::ReadBackDiffers, step_, shown, "the copy's archive has another size");
            failure.at = std::min(size, copy->size());
            throw failure;
        }
        const auto changeEnd = change_.offset + static_cast<std::int64_t>(change_.bytes.size());
        std::vector<std::uint8_t> mine(Chunk), theirs(Chunk);
        for (std::int64_t at = 0; at < size;) {
            checkStop();
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(Chunk, size - at));
            readingCopy(shown, at, [&] { copy->read(at, mine.data(), n); });
            reading(source_, [&] { original.read(at, theirs.data(), n); });
            // Inside the change the copy holds the new bytes.
            const std::int64_t from = std::max(at, change_.offset);
            const std::int64_t to = std::min(at + static_cast<std::int64_t>(n), changeEnd);
            for (std::int64_t i = from; i < to; ++i)
                theirs[static_cast<std::size_t>(i - at)] = change_.bytes[static_cast<std::size_t>(i - change_.offset)];
            const auto differ =
                std::mismatch(mine.begin(), mine.begin() + static_cast<std::ptrdiff_t>(n), theirs.begin());
            if (differ.first != mine.begin() + static_cast<std::ptrdiff_t>(n)) {
                PatchFailure failure(Code::ReadBackDiffers, step_, shown, "the copy differs");
                failure.at = at + (differ.first - mine.begin());
                throw failure;
            }
            at += static_cast<std::int64_t>(n);
            report(at, size);
        }
    }

    // A copy that cannot be read as written differs from it, where its
    // damage says (else from `at`); other failures name it as `shown`.
    template <typename F>
    auto readingCopy(const std::string& shown, std::int64_t at, F&& f) -> decltype(f())
    {
        try {
            return f();
        } catch (const PatchFailure&) {
            throw;
        } catch (const ReadStopped&) {
            fail(Code::Stopped, shown, "stopped");
        } catch (const EInOutError& e) {
            fail(Code::ReadFailed, shown, e.what(), e.code(), e.systemError());
        } catch (const ImageError& e) {
            PatchFailure failure(Code::ReadBackDiffers, step_, shown, e.what());
            failure.at = e.archiveOffset() >= 0 ? e.archiveOffset() : std::max<std::int64_t>(at, 0);
            throw failure;
        }
    }

    // ----- Naming the copy ------------------------------------------------

    // The first file (the one opened) last, so that a copy half named never opens.
    void renameOutputs()
    {
        step_ = CopyStep::Rename;
        const auto count = static_cast<std::int64_t>(outputs_.size());
        report(0, count);
        checkStop();
        for (std::size_t k = 0; k < outputs_.size(); ++k) {
            Output& o = outputs_[(k + 1) % outputs_.size()];
            writing(o.final, [&] { o.temp->commit(); });
            renamed_.push_back(o.final);
            report(static_cast<std::int64_t>(k + 1), count);
        }
        for (const Output& o : outputs_)
            result_.files.push_back(o.final);
        renamed_.clear();
        madeFolders_.clear();
    }

    // After a failure: no temporary, nothing under a final name.
    void cleanUp() noexcept
    {
        for (const std::string& f : renamed_)
            removeFile(f);
        outputs_.clear();
        std::error_code error;
        if (!workFolder_.empty())
            std::filesystem::remove_all(fsPath(workFolder_), error);
        for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it)
            std::filesystem::remove(*it, error);  // only while empty
    }

    // ----- CHD without chdman: BIN/CUE ------------------------------------

    void chdAsBinCue(const ArchiveLayout& layout, ArchiveReader& archive)
    {
        const std::string stem = stemOf(nameOf(layout.files.front()));
        const std::string cue = joinPath(folder_, stem + ".cue"), bin = joinPath(folder_, stem + ".bin");
        refuseOwnFiles(layout.files, {cue, bin});
        const ChdBinCue plan = reading(source_, [&] { return chdBinCue(source_, stem + ".bin", options_.read); });
        checkSpace(plan.binBytes + static_cast<std::int64_t>(plan.sheet.size()));

        step_ = CopyStep::Copy;
        outputs_.push_back({{}, cue, nullptr, static_cast<std::int64_t>(plan.sheet.size())});
        outputs_.push_back({{}, bin, nullptr, 0});
        Output& sheet = outputs_[0];
        Output& data = outputs_[1];
        sheet.temp = writing(cue, [&] { return std::make_unique<TempFile>(cue); });
        writing(cue, [&] { sheet.temp->write(plan.sheet.data(), plan.sheet.size()); });
        data.temp = writing(bin, [&] { return std::make_unique<TempFile>(bin); });
        report(0, plan.binBytes);
        std::int64_t sinceCheck = 0;
        reading(source_, [&] {
            writeChdBin(source_, options_.read, [&](const std::uint8_t* p, std::size_t n) {
                writing(bin, [&] { data.temp->write(p, n); });
                data.size += static_cast<std::int64_t>(n);
                sinceCheck += static_cast<std::int64_t>(n);
                if (sinceCheck >= static_cast<std::int64_t>(Chunk)) {
                    sinceCheck = 0;
                    checkStop();
                    report(data.size, plan.binBytes);
                }
            });
        });
        checkStop();
        report(data.size, plan.binBytes);

        step_ = CopyStep::Patch;
        ReadOptions mapped = options_.read;
        mapped.openFile = mappedReads();
        std::unique_ptr<ArchiveReader> written =
            readingCopy(cue, -1, [&] { return openArchive(cue, readEvents(), mapped); });
        if (written->layout().track.file != bin)
            fail(Code::ReadBackDiffers, cue, "the sheet written names another data file");
        patchTrack(written->layout(), tempTrack(data));
        written.reset();

        readBack(archive, cue, mappedReads());
        result_.chdAsBinCue = true;
        renameOutputs();
    }

    // ----- CHD through chdman ---------------------------------------------

    void chdThroughChdman(const ArchiveLayout& layout, ArchiveReader& archive, const std::string& chdman)
    {
        const std::string name = nameOf(layout.files.front());
        const std::string final = joinPath(folder_, name);
        refuseOwnFiles(layout.files, {final});
        const std::string stem = stemOf(name);
        const ChdBinCue plan = reading(source_, [&] { return chdBinCue(source_, stem + ".bin", options_.read); });
        const std::int64_t packed = fileStamp(source_).size;
        checkSpace(plan.binBytes + static_cast<std::int64_t>(plan.sheet.size()) + packed);

        // chdman writes its files in a folder of ours, named as TempFile names its temporaries.
        for (int n = 1; workFolder_.empty(); ++n) {
            const std::string candidate = final + "~" + std::to_string(n) + ".tmp";
            std::error_code error;
            if (std::filesystem::create_directory(fsPath(candidate), error))
                workFolder_ = candidate;
            else if (error || n >= 1000)
                fail(Code::WriteFailed, final, "no work folder beside " + final, 0, error.value());
        }
        const std::string cue = joinPath(workFolder_, stem + ".cue"), bin = joinPath(workFolder_, stem + ".bin");
        const std::string chd = joinPath(workFolder_, name), log = joinPath(workFolder_, "chdman.log");

        step_ = CopyStep::Copy;
        runChdman(chdman, {"extractcd", "-i", source_, "-o", cue, "-ob", bin}, log, plan.binBytes, source_);

        step_ = CopyStep::Patch;
        {
            std::unique_ptr<ArchiveReader> extracted =
                readingCopy(final, -1, [&] { return openArchive(cue, readEvents(), options_.read); });
            File file = writing(final, [&] { return File::openReadWrite(extracted->layout().track.file); });
            patchTrack(extracted->layout(), {[&](std::int64_t at, void* p, std::size_t n) {
                                                 reading(
                                                     final, [&] { file.readAt(at, p, n); }, final);
                                             },
                                             [&](std::int64_t at, const void* p, std::size_t n) {
                                                 writing(final, [&] {
                                                     file.seek(at);
                                                     file.writeExact(p, n);
                                                 });
                                             }});
            writing(final, [&] { file.close(); });
        }

        step_ = CopyStep::Pack;
        runChdman(chdman, {"createcd", "-i", cue, "-o", chd}, log, plan.binBytes, final);

        readBack(
            archive, chd, [](const std::string& path) { return openFileSource(path); }, final);

        step_ = CopyStep::Rename;
        report(0, 1);
        checkStop();
        writing(final, [&] { replaceFile(chd, final); });
        report(1, 1);
        std::error_code error;
        std::filesystem::remove_all(fsPath(workFolder_), error);
        workFolder_.clear();
        result_.files = {final};
        result_.packedByChdman = true;
    }

    // chdman's last lines, for a failure.
    static std::string lastLines(const std::string& log)
    {
        std::string tail;
        try {
            File f = File::openRead(log);
            const std::int64_t size = f.size();
            tail.resize(static_cast<std::size_t>(std::min(size, ToolTail)));
            f.readAt(size - static_cast<std::int64_t>(tail.size()), tail.data(), tail.size());
        } catch (const EInOutError&) {
            return {};
        }
        std::replace(tail.begin(), tail.end(), '\r', '\n');
        std::vector<std::string> lines;
        for (std::size_t at = 0; at < tail.size();) {
            std::size_t end = tail.find('\n', at);
            if (end == std::string::npos)
                end = tail.size();
            std::string line = tail.substr(at, end - at);
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            if (!line.empty())
                lines.push_back(line);
            at = end + 1;
        }
        if (lines.size() > ToolLines)
            lines.erase(lines.begin(), lines.end() - ToolLines);
        std::string out;
        for (const std::string& l : lines)
            out += (out.empty() ? "" : "\n") + l;
        return out;
    }

    // The last "NN.N%" chdman printed, in tenths of a percent, or -1.
    static int lastPercent(const std::string& log)
    {
        const std::string text = lastLines(log);
        const std::size_t sign = text.rfind('%');
        if (sign == std::string::npos)
            return -1;
        std::size_t start = sign;
        while (start > 0 && (std::isdigit(static_cast<unsigned char>(text[start - 1])) || text[start - 1] == '.'))
            --start;
        const std::string number = text.substr(start, sign - start);
        return number.empty() ? -1 : static_cast<int>(std::atof(number.c_str()) * 10);
    }

    void runChdman(const std::string& chdman, const std::vector<std::string>& args, const std::string& log,
                   std::int64_t total, const std::string& file)
    {
        report(0, total);
        int checks = 0;
        const ProgramRun run = runProgram(
            chdman, args, {},
            [&] {
                if (++checks % PercentEvery == 0)
                    if (const int tenths = lastPercent(log); tenths >= 0)
                        report(total * std::min(tenths, 1000) / 1000, total);
                return stopAsked();
            },
            log);
        if (run.stopped)
            fail(Code::Stopped, file, "stopped");
        if (!run.started || !run.exitedNormally || run.exitCode != 0) {
            PatchFailure failure(Code::ToolFailed, step_, file,
                                 chdman + " " + args.front() + " failed (exit code " + std::to_string(run.exitCode) +
                                     ")");
            failure.toolOutput = run.started ? lastLines(log) : std::string();
            throw failure;
        }
        report(total, total);
    }

    const std::string& source_;
    const std::string& folder_;
    const ArchiveChange& change_;
    const PatchedCopyEvents& events_;
    const PatchedCopyOptions& options_;
    CopyStep step_ = CopyStep::CheckSpace;
    std::vector<Output> outputs_;
    std::vector<std::string> renamed_;
    std::vector<std::filesystem::path> madeFolders_;
    std::string workFolder_;
    std::int64_t sectorsRewritten_ = 0;
    PatchedCopy result_;
};

}  // namespace

PatchedCopy writePatchedCopy(const std::string& source, const std::string& folder, const ArchiveChange& change,
                             const PatchedCopyEvents& events, const PatchedCopyOptions& options)
{
    Copier copier(source, folder, change, events, options);
    return copier.run();
}

}  // namespace hotaru::disc
