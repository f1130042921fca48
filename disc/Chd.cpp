// CHD version 5 CD images: header, Huffman-coded map, track metadata, and the
// CD codecs, each hunk checked against its CRC16 before a byte of it is used.
#include "disc/Chd.h"

#include "disc/CdSector.h"
#include "disc/ChdCodecs.h"
#include "disc/DataTrack.h"
#include "disc/ImageError.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace hotaru::disc {

namespace {

constexpr std::size_t HeaderSize = 124;
constexpr std::uint32_t tag(const char (&s)[5])
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[3]));
}
constexpr std::uint32_t CodecZlib = tag("cdzl"), CodecLzma = tag("cdlz"), CodecFlac = tag("cdfl");
constexpr std::uint32_t TrackTag = tag("CHT2"), OldTrackTag = tag("CHTR"), BinaryTrackTag = tag("CHCD");
// More metadata entries than a CD has tracks (99) and other items together.
constexpr int MaxMetadata = 1024;
// No CD holds more than 100 minutes of frames.
constexpr std::uint64_t MaxCdFrames = 100ULL * 60 * 75;
constexpr int TrackPadding = 4;
// Hunks decoded ahead of the reader when it reads in order: a few per decoding
// thread, so none waits for the reader's hand-off.
constexpr std::uint32_t DecodeAhead = 8;
// Decoding threads beyond this would only wait for the reader.
constexpr unsigned MaxDecoders = 4;

enum : std::uint8_t {
    Codec0 = 0,
    Codec3 = 3,
    Uncompressed = 4,
    Self = 5,
    Parent = 6,
    RleSmall = 7,
    RleLarge = 8,
    Self0 = 9,
    Self1 = 10,
    ParentSelf = 11,
    Parent0 = 12,
    Parent1 = 13,
};

std::uint64_t be(const std::uint8_t* p, int bytes)
{
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

std::string codecName(std::uint32_t c)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto ch = static_cast<char>((c >> shift) & 0xFF);
        s += ch >= 0x20 && ch < 0x7F ? ch : '?';
    }
    return s;
}

// CRC-16/CCITT, eight bytes a step: table k holds a byte's CRC followed by k
// zero bytes, so a step is eight independent lookups.
std::uint16_t crc16(const std::uint8_t* p, std::size_t n)
{
    using Table = std::array<std::uint16_t, 256>;
    static const auto tables = [] {
        std::array<Table, 8> t{};
        for (unsigned i = 0; i < 256; ++i) {
            std::uint16_t c = static_cast<std::uint16_t>(i << 8);
            for (int k = 0; k < 8; ++k)
                c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
            t[0][i] = c;
        }
        for (std::size_t k = 1; k < 8; ++k)
            for (unsigned i = 0; i < 256; ++i) {
                const std::uint16_t c = t[k - 1][i];
                t[k][i] = static_cast<std::uint16_t>((c << 8) ^ t[0][c >> 8]);
            }
        return t;
    }();
    std::uint16_t crc = 0xFFFF;
    for (; n >= 8; n -= 8, p += 8)
        crc = static_cast<std::uint16_t>(tables[7][p[0] ^ (crc >> 8)] ^ tables[6][p[1] ^ (crc & 0xFF)] ^
                                         tables[5][p[2]] ^ tables[4][p[3]] ^ tables[3][p[4]] ^ tables[2][p[5]] ^
                                         tables[1][p[6]] ^ tables[0][p[7]]);
    for (; n > 0; --n, ++p)
        crc = static_cast<std::uint16_t>((crc << 8) ^ tables[0][((crc >> 8) ^ *p) & 0xFF]);
    return crc;
}

// Most significant bit first; past the end it reads zeros and remembers it.
class BitReader {
public:
    BitReader(const std::uint8_t* p, std::size_t n) : p_(p), bits_(n * 8) {}
    std::uint32_t read(int count)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i, ++at_)
            v = v << 1 | (at_ < bits_ ? (p_[at_ >> 3] >> (7 - (at_ & 7))) & 1 : 0);
        return v;
    }
    std::uint32_t peek(int count) const
    {
        std::uint32_t v = 0;
        for (std::size_t i = 0, at = at_; i < static_cast<std::size_t>(count); ++i, ++at)
            v = v << 1 | (at < bits_ ? (p_[at >> 3] >> (7 - (at & 7))) & 1 : 0);
        return v;
    }
    void skip(int count) { at_ += static_cast<std::size_t>(count); }
    bool overflowed() const { return at_ > bits_; }

private:
    const std::uint8_t* p_;
    std::size_t bits_;
    std::size_t at_ = 0;
};

// The map's canonical Huffman code: 16 symbols, at most 8 bits each.
class MapCode {
public:
    bool importTree(BitReader& in)
    {
        constexpr int LengthBits = 4;
        std::array<int, Symbols> lengths{};
        for (int sym = 0; sym < Symbols;) {
            int n = static_cast<int>(in.read(LengthBits));
            if (n != 1) {
                lengths[sym++] = n;
                continue;
            }
            n = static_cast<int>(in.read(LengthBits));
            if (n == 1) {
                lengths[sym++] = n;
                continue;
            }
            const int repeat = static_cast<int>(in.read(LengthBits)) + 3;
            if (sym + repeat > Symbols)
                return false;
            for (int k = 0; k < repeat; ++k)
                lengths[sym++] = n;
        }
        // The first code of each length, counted from the longest.
        std::array<std::uint32_t, 33> start{};
        for (const int len : lengths) {
            if (len > MaxBits)
                return false;
            ++start[static_cast<std::size_t>(len)];
        }
        std::uint32_t code = 0;
        for (int len = 32; len > 0; --len) {
            const std::uint32_t next = (code + start[static_cast<std::size_t>(len)]) >> 1;
            if (len != 1 && next * 2 != code + start[static_cast<std::size_t>(len)])
                return false;
            start[static_cast<std::size_t>(len)] = code;
            code = next;
        }
        lookup_.fill(0);
        for (int sym = 0; sym < Symbols; ++sym) {
            const int len = lengths[static_cast<std::size_t>(sym)];
            if (len == 0)
                continue;
            const std::uint32_t bits = start[static_cast<std::size_t>(len)]++;
            const int shift = MaxBits - len;
            for (std::uint32_t k = bits << shift; k < ((bits + 1) << shift); ++k)
                lookup_[k] = static_cast<std::uint16_t>(sym << 8 | len);
        }
        return true;
    }
    // -1 for a code that no symbol has.
    int decode(BitReader& in) const
    {
        const std::uint16_t e = lookup_[in.peek(MaxBits)];
        if ((e & 0xFF) == 0)
            return -1;
        in.skip(e & 0xFF);
        return e >> 8;
    }

private:
    static constexpr int Symbols = 16;
    static constexpr int MaxBits = 8;
    std::array<std::uint16_t, 1 << MaxBits> lookup_{};
};

struct MapEntry {
    std::uint8_t type = 0;
    std::uint32_t length = 0;
    std::uint64_t offset = 0;
    std::uint16_t crc = 0;
};

struct TrackInfo {
    std::string type;
    std::int64_t frames = 0;
    std::int64_t pregap = 0;
    bool pregapInData = false;
};

// A CHD's header, map and codecs; decodes one hunk at a time, from any thread.
class ChdFile {
public:
    ChdFile(std::shared_ptr<BlockSource> file, TrackReading reading)
        : file_(std::move(file)), reading_(std::move(reading))
    {
        readHeader();
        readMap();
    }

    const std::string& path() const { return file_->path(); }
    std::uint32_t hunkBytes() const { return hunkBytes_; }
    std::uint32_t hunkCount() const { return static_cast<std::uint32_t>(map_.size()); }
    std::uint64_t logicalBytes() const { return logicalBytes_; }
    // How a hunk is stored: a codec's four letters, "none", "self" or "parent".
    std::string storage(std::uint32_t hunk) const
    {
        const std::uint8_t type = map_[hunk].type;
        if (type <= Codec3)
            return codecName(codecs_[type]);
        return type == Uncompressed ? "none" : type == Self ? "self" : "parent";
    }

    // Decodes hunk `hunk` into `out` (hunkBytes) and checks its CRC16. With
    // `retry`, failed reads are retried and announced (the reading thread only).
    void decode(std::uint32_t hunk, std::uint8_t* out, bool retry, std::int64_t archiveAt) const
    {
        // A self-reference names an earlier hunk; following a chain longer than
        // the map means a loop.
        for (std::uint32_t steps = 0;; ++steps) {
            const MapEntry& e = map_[hunk];
            if (e.type != Self)
                break;
            if (e.offset >= map_.size() || steps > map_.size())
                malformed("hunk " + std::to_string(hunk) + " refers to a hunk that is not there", archiveAt);
            hunk = static_cast<std::uint32_t>(e.offset);
        }
        const MapEntry& e = map_[hunk];
        if (e.type == Parent)
            throw ImageError(ImageFault::NotSupported, path(), path() + ": parent CHD not supported", archiveAt);
        if (e.type != Uncompressed && e.type > Codec3)
            malformed("hunk " + std::to_string(hunk) + " has storage type " + std::to_string(e.type), archiveAt);
        const std::uint32_t length = e.type == Uncompressed ? hunkBytes_ : e.length;
        if (length > file_->size() || e.offset > static_cast<std::uint64_t>(file_->size()) - length)
            malformed("hunk " + std::to_string(hunk) + " lies past the end of the file", archiveAt);
        // A hunk that does not shrink is stored as it is.
        if (length > hunkBytes_)
            malformed("hunk " + std::to_string(hunk) + " is longer compressed than whole", archiveAt);
        thread_local std::vector<std::uint8_t> packed;
        packed.resize(length);
        const auto at = static_cast<std::int64_t>(e.offset);
        if (retry)
            readRetrying(*file_, at, packed.data(), length, at, std::max<std::uint32_t>(length, 1), {archiveAt, 0},
                         reading_.options, reading_.events);
        else
            file_->readAt(at, packed.data(), length);

        bool ok = true;
        if (e.type == Uncompressed) {
            std::memcpy(out, packed.data(), length);
        } else {
            const std::uint32_t codec = codecs_[e.type];
            if (codec == CodecZlib)
                ok = decodeCdZlib(packed.data(), length, out, hunkBytes_);
            else if (codec == CodecLzma)
                ok = decodeCdLzma(packed.data(), length, out, hunkBytes_);
            else if (codec == CodecFlac)
                ok = decodeCdFlac(packed.data(), length, out, hunkBytes_);
            else
                malformed("hunk " + std::to_string(hunk) + " names codec slot " + std::to_string(e.type) +
                              ", which the header leaves empty",
                          archiveAt);
        }
        if (!ok || (!uncompressedMap_ && crc16(out, hunkBytes_) != e.crc))
            throw ImageError(ImageFault::ChecksumFailed, path(),
                             path() + ": hunk " + std::to_string(hunk) + " is damaged (its checksum does not match)",
                             archiveAt);
    }

    std::vector<TrackInfo> tracks() const
    {
        std::vector<TrackInfo> out;
        std::uint64_t at = metaOffset_;
        for (int n = 0; at != 0; ++n) {
            if (n == MaxMetadata)
                malformed("its metadata does not end", -1);
            std::uint8_t h[16];
            readChecked(at, h, sizeof h);
            const auto tagValue = static_cast<std::uint32_t>(be(h, 4));
            const auto length = static_cast<std::size_t>(be(h + 5, 3));
            if (tagValue == TrackTag || tagValue == OldTrackTag) {
                checkWithin(at + 16, length);
                std::string text(length, '\0');
                readChecked(at + 16, text.data(), length);
                out.push_back(parseTrack(text.c_str()));
            } else if (tagValue == BinaryTrackTag) {
                throw ImageError(ImageFault::NotSupported, path(), path() + ": track list in the old binary form");
            }
            at = be(h + 8, 8);
        }
        return out;
    }

private:
    [[noreturn]] void malformed(const std::string& what, std::int64_t archiveAt) const
    {
        throw ImageError(ImageFault::Malformed, path(), path() + ": " + what, archiveAt);
    }

    void checkWithin(std::uint64_t at, std::uint64_t n) const
    {
        if (at > static_cast<std::uint64_t>(file_->size()) || n > static_cast<std::uint64_t>(file_->size()) - at)
            malformed("a table lies past the end of the file", -1);
    }

    void readChecked(std::uint64_t at, void* buffer, std::size_t n) const
    {
        checkWithin(at, n);
        readRetrying(*file_, static_cast<std::int64_t>(at), buffer, n, 0, UserDataSize, {}, reading_.options,
                     reading_.events);
    }

    void readHeader()
    {
        std::uint8_t h[HeaderSize];
        if (file_->size() < static_cast<std::int64_t>(HeaderSize))
            malformed("its header is cut short", -1);
        readChecked(0, h, sizeof h);
        const auto version = be(h + 12, 4);
        if (version != 5)
            throw ImageError(ImageFault::NotSupported, path(),
                             path() + ": CHD version " + std::to_string(version) + " is not supported (only 5)");
        if (be(h + 8, 4) != HeaderSize)
            malformed("its header length is wrong", -1);
        for (int i = 0; i < 4; ++i) {
            codecs_[i] = static_cast<std::uint32_t>(be(h + 16 + 4 * i, 4));
            if (codecs_[i] != 0 && codecs_[i] != CodecZlib && codecs_[i] != CodecLzma && codecs_[i] != CodecFlac)
                throw ImageError(ImageFault::UnknownCodec, path(),
                                 path() + " is compressed with \"" + codecName(codecs_[i]) +
                                     "\", a codec this program does not read")
                    .withCodec(codecName(codecs_[i]));
        }
        logicalBytes_ = be(h + 32, 8);
        mapOffset_ = be(h + 40, 8);
        metaOffset_ = be(h + 48, 8);
        hunkBytes_ = static_cast<std::uint32_t>(be(h + 56, 4));
        const auto unitBytes = be(h + 60, 4);
        if (std::any_of(h + 104, h + 124, [](std::uint8_t b) { return b != 0; }))
            throw ImageError(ImageFault::NotSupported, path(), path() + ": parent CHD not supported");
        if (unitBytes != FrameSize || hunkBytes_ == 0 || hunkBytes_ % FrameSize != 0 || hunkBytes_ > (1u << 24))
            throw ImageError(ImageFault::NotSupported, path(),
                             path() + " is not a CD image (hunks of " + std::to_string(hunkBytes_) + " bytes)");
        const std::uint64_t hunks = (logicalBytes_ + hunkBytes_ - 1) / hunkBytes_;
        // No CD holds more than 100 minutes, and every hunk takes at least a
        // bit of the map: more is damage, and would size the map beyond reason.
        if (hunks == 0 || logicalBytes_ > MaxCdFrames * FrameSize ||
            hunks > static_cast<std::uint64_t>(file_->size()) * 8)
            malformed("its size " + std::to_string(logicalBytes_) + " cannot be right", -1);
        map_.resize(static_cast<std::size_t>(hunks));
    }

    void readMap()
    {
        if (codecs_[0] == 0) {  // uncompressed: one 4-byte hunk number per hunk
            uncompressedMap_ = true;
            std::vector<std::uint8_t> raw(map_.size() * 4);
            readChecked(mapOffset_, raw.data(), raw.size());
            for (std::size_t i = 0; i < map_.size(); ++i)
                map_[i] = {Uncompressed, hunkBytes_, be(&raw[i * 4], 4) * hunkBytes_, 0};
            return;
        }
        std::uint8_t h[16];
        readChecked(mapOffset_, h, sizeof h);
        const auto mapBytes = static_cast<std::size_t>(be(h, 4));
        std::uint64_t offset = be(h + 4, 6);
        // Checked before anything is allocated for it: at least a bit a hunk, within the file.
        checkWithin(mapOffset_ + 16, mapBytes);
        if (map_.size() > std::uint64_t{mapBytes} * 8)
            malformed("its map is damaged (it is too short for its hunks)", -1);
        const auto mapCrc = static_cast<std::uint16_t>(be(h + 10, 2));
        const int lengthBits = h[12], selfBits = h[13], parentBits = h[14];
        if (lengthBits > 32 || selfBits > 32 || parentBits > 32)
            malformed("its map header cannot be right", -1);
        std::vector<std::uint8_t> packed(mapBytes);
        readChecked(mapOffset_ + 16, packed.data(), packed.size());

        BitReader in(packed.data(), packed.size());
        MapCode code;
        if (!code.importTree(in))
            malformed("its map's code table is damaged", -1);
        int last = 0, repeat = 0;
        for (MapEntry& e : map_) {
            if (repeat > 0) {
                e.type = static_cast<std::uint8_t>(last);
                --repeat;
                continue;
            }
            const int v = code.decode(in);
            if (v == RleSmall) {
                repeat = 2 + code.decode(in);
            } else if (v == RleLarge) {
                repeat = 2 + 16 + (code.decode(in) << 4);
                repeat += code.decode(in);
            } else {
                last = v;
            }
            if (v < 0 || repeat < 0 || in.overflowed())
                malformed("its map is damaged", -1);
            e.type = static_cast<std::uint8_t>(last);
        }
        std::uint64_t lastSelf = 0, lastParent = 0;
        const std::uint64_t unitsPerHunk = hunkBytes_ / FrameSize;
        std::vector<std::uint8_t> raw(map_.size() * 12);
        for (std::size_t i = 0; i < map_.size(); ++i) {
            MapEntry& e = map_[i];
            e.offset = offset;
            switch (e.type) {
            case Uncompressed:
                e.length = hunkBytes_;
                offset += e.length;
                e.crc = static_cast<std::uint16_t>(in.read(16));
                break;
            case Self:
                e.offset = lastSelf = in.read(selfBits);
                break;
            case Parent:
                e.offset = lastParent = in.read(parentBits);
                break;
            case Self1:
                ++lastSelf;
                [[fallthrough]];
            case Self0:
                e.type = Self;
                e.offset = lastSelf;
                break;
            case ParentSelf:
                e.type = Parent;
                e.offset = lastParent = i * unitsPerHunk;
                break;
            case Parent1:
                lastParent += unitsPerHunk;
                [[fallthrough]];
            case Parent0:
                e.type = Parent;
                e.offset = lastParent;
                break;
            default:
                if (e.type > Codec3)
                    malformed("its map holds storage type " + std::to_string(e.type), -1);
                e.length = in.read(lengthBits);
                offset += e.length;
                e.crc = static_cast<std::uint16_t>(in.read(16));
                break;
            }
            std::uint8_t* r = &raw[i * 12];
            r[0] = e.type;
            for (int k = 0; k < 3; ++k)
                r[1 + k] = static_cast<std::uint8_t>(e.length >> (8 * (2 - k)));
            for (int k = 0; k < 6; ++k)
                r[4 + k] = static_cast<std::uint8_t>(e.offset >> (8 * (5 - k)));
            r[10] = static_cast<std::uint8_t>(e.crc >> 8);
            r[11] = static_cast<std::uint8_t>(e.crc);
        }
        if (in.overflowed() || crc16(raw.data(), raw.size()) != mapCrc)
            malformed("its map is damaged (its checksum does not match)", -1);
    }

    TrackInfo parseTrack(const char* text) const
    {
        TrackInfo t;
        std::istringstream words(text);
        std::string word;
        std::string pregapType;
        while (words >> word) {
            const std::size_t colon = word.find(':');
            if (colon == std::string::npos)
                continue;
            const std::string key = word.substr(0, colon), value = word.substr(colon + 1);
            if (key == "TYPE")
                t.type = value;
            else if (key == "FRAMES")
                t.frames = std::atoll(value.c_str());
            else if (key == "PREGAP")
                t.pregap = std::atoll(value.c_str());
            else if (key == "PGTYPE")
                pregapType = value;
        }
        // A pregap type starting with V means the pregap's sectors are stored with the track.
        t.pregapInData = !pregapType.empty() && pregapType[0] == 'V';
        if (t.frames <= 0 || t.frames > 100 * 60 * 75 || t.pregap < 0 || t.pregap > t.frames)
            malformed("a track's length cannot be right: " + std::string(text), -1);
        return t;
    }

    std::shared_ptr<BlockSource> file_;
    TrackReading reading_;
    std::uint32_t codecs_[4] = {};
    std::uint64_t logicalBytes_ = 0;
    std::uint64_t mapOffset_ = 0;
    std::uint64_t metaOffset_ = 0;
    std::uint32_t hunkBytes_ = 0;
    bool uncompressedMap_ = false;
    std::vector<MapEntry> map_;
};

using Hunk = std::shared_ptr<const std::vector<std::uint8_t>>;

// How many threads decode ahead: one per core, as each hunk stands alone.
int decoderThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, static_cast<unsigned>(MaxDecoders)));
}

// Hunks decoded on other threads ahead of a reader that reads in order, at
// most DecodeAhead at a time. The reader decodes itself what no thread has
// taken yet, what a thread could not decode (with retries), and every hunk
// of a read out of order.
class HunkPipeline {
public:
    explicit HunkPipeline(const ChdFile& chd) : chd_(chd) {}
    ~HunkPipeline()
    {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& t : workers_)
            t.join();
    }
    HunkPipeline(const HunkPipeline&) = delete;
    HunkPipeline& operator=(const HunkPipeline&) = delete;

    Hunk get(std::uint32_t hunk, std::int64_t archiveAt)
    {
        std::unique_lock lock(mutex_);
        const bool inOrder = hunk == last_ + 1 || hunk == last_;
        last_ = hunk;
        // Keep only what lies in the window ahead, and what is being decoded.
        for (auto it = slots_.begin(); it != slots_.end();) {
            const bool busy = it->second.state == State::Decoding;
            const bool inWindow = it->first >= hunk && it->first <= hunk + DecodeAhead;
            it = !busy && !inWindow ? slots_.erase(it) : std::next(it);
        }
        if (inOrder) {
            bool queued = false;
            for (std::uint32_t k = 1; k <= DecodeAhead && hunk + k < chd_.hunkCount(); ++k)
                queued |= slots_.try_emplace(hunk + k).second;
            if (workers_.empty())
                for (int i = 0; i < decoderThreads(); ++i)
                    workers_.emplace_back([this] { work(); });
            if (queued)
                work_.notify_all();
        }
        for (;;) {
            Slot& slot = slots_[hunk];
            if (slot.state == State::Ready)
                return slot.data;
            if (slot.state == State::Decoding) {
                ready_.wait(lock);
                continue;
            }
            // Ours to decode, with retries: also a hunk another thread could not.
            slot.state = State::Decoding;
            lock.unlock();
            auto data = std::make_shared<std::vector<std::uint8_t>>(chd_.hunkBytes());
            try {
                chd_.decode(hunk, data->data(), true, archiveAt);
            } catch (...) {
                lock.lock();
                slots_.erase(hunk);
                throw;
            }
            lock.lock();
            Slot& done = slots_[hunk];
            done.state = State::Ready;
            done.data = data;
            return data;
        }
    }

private:
    enum class State { Queued, Decoding, Ready, Failed };
    struct Slot {
        State state = State::Queued;
        Hunk data;
    };

    // Decodes queued hunks, lowest first, without retries; one that fails is
    // left for the reader.
    void work()
    {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            const auto next = std::find_if(slots_.begin(), slots_.end(),
                                           [](const auto& s) { return s.second.state == State::Queued; });
            if (next == slots_.end()) {
                work_.wait(lock);
                continue;
            }
            const std::uint32_t hunk = next->first;
            next->second.state = State::Decoding;
            lock.unlock();
            auto data = std::make_shared<std::vector<std::uint8_t>>(chd_.hunkBytes());
            bool ok = true;
            try {
                chd_.decode(hunk, data->data(), false, -1);
            } catch (...) {
                ok = false;
            }
            lock.lock();
            Slot& slot = slots_[hunk];
            slot.state = ok ? State::Ready : State::Failed;
            if (ok)
                slot.data = std::move(data);
            ready_.notify_all();
        }
    }

    const ChdFile& chd_;
    std::mutex mutex_;
    std::condition_variable work_;   // a hunk was queued, or the end
    std::condition_variable ready_;  // a worker finished a hunk
    std::map<std::uint32_t, Slot> slots_;
    std::uint32_t last_ = 0xFFFFFFF0u;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

struct Layout {
    std::size_t size;
    std::size_t dataOffset;
};

bool dataLayout(const std::string& type, Layout& out)
{
    if (type == "MODE1_RAW")
        out = {2352, Mode1DataOffset};
    else if (type == "MODE2_RAW")
        out = {2352, Mode2DataOffset};
    else if (type == "MODE1" || type == "MODE2_FORM1")
        out = {2048, 0};
    else if (type == "MODE2" || type == "MODE2_FORM_MIX")
        out = {2336, 8};
    else
        return false;
    return true;
}

class ChdTrack : public DataTrack {
public:
    ChdTrack(std::shared_ptr<BlockSource> file, const TrackReading& reading)
        : chd_(std::move(file), reading), pipeline_(chd_)
    {
        const std::vector<TrackInfo> tracks = chd_.tracks();
        std::int64_t frame = 0;
        bool found = false;
        for (const TrackInfo& t : tracks) {
            if (t.type != "AUDIO") {
                Layout layout{};
                if (!dataLayout(t.type, layout))
                    throw ImageError(ImageFault::NotSupported, chd_.path(),
                                     chd_.path() + ": tracks of type " + t.type + " are not supported");
                const std::int64_t skip = t.pregapInData ? t.pregap : 0;
                firstFrame_ = frame + skip;
                sectors_ = t.frames - skip;
                dataOffset_ = layout.dataOffset;
                found = true;
                break;
            }
            frame += (t.frames + TrackPadding - 1) / TrackPadding * TrackPadding;
        }
        if (!found)
            throw ImageError(ImageFault::NoDataTrack, chd_.path(), chd_.path() + " holds no data track");
        if ((firstFrame_ + sectors_) * static_cast<std::int64_t>(FrameSize) >
            static_cast<std::int64_t>(chd_.logicalBytes()))
            throw ImageError(ImageFault::Malformed, chd_.path(), chd_.path() + ": its tracks are longer than it");
    }

    std::int64_t sectors() const override { return sectors_; }
    const std::string& file() const override { return chd_.path(); }

    void read(std::int64_t at, void* buffer, std::size_t n, std::int64_t archiveAt) override
    {
        checkWithinTrack(*this, at, n, archiveAt);
        const std::int64_t framesPerHunk = chd_.hunkBytes() / FrameSize;
        Hunk hunk;
        std::int64_t hunkNumber = -1;
        forEachSectorPiece(
            at, buffer, n, archiveAt,
            [&](std::int64_t sector, std::int64_t within, std::size_t k, std::uint8_t* to, std::int64_t pieceAt) {
                const std::int64_t frame = firstFrame_ + sector;
                if (frame / framesPerHunk != hunkNumber) {
                    hunkNumber = frame / framesPerHunk;
                    hunk = pipeline_.get(static_cast<std::uint32_t>(hunkNumber), pieceAt);
                }
                const std::int64_t from = frame % framesPerHunk * static_cast<std::int64_t>(FrameSize) +
                                          static_cast<std::int64_t>(dataOffset_) + within;
                std::memcpy(to, hunk->data() + from, k);
            });
    }

private:
    ChdFile chd_;
    HunkPipeline pipeline_;
    std::int64_t firstFrame_ = 0;
    std::int64_t sectors_ = 0;
    std::size_t dataOffset_ = 0;
};

}  // namespace

std::unique_ptr<DataTrack> chdTrack(std::shared_ptr<BlockSource> file, const TrackReading& reading)
{
    return std::make_unique<ChdTrack>(std::move(file), reading);
}

std::map<std::string, int> checkChdHunks(std::shared_ptr<BlockSource> file)
{
    const ChdFile chd(std::move(file), {});
    std::map<std::string, int> kinds;
    std::vector<std::uint8_t> out(chd.hunkBytes());
    for (std::uint32_t h = 0; h < chd.hunkCount(); ++h) {
        chd.decode(h, out.data(), false, -1);
        ++kinds[chd.storage(h)];
    }
    return kinds;
}

}  // namespace hotaru::disc
