#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace hotaru {

// What a new movie copies from the one it replaces, so that the game's
// player finds the header and the frames as it knows them.
struct FilmLayout {
    // The header up to its sample table: "FILM", its length (rewritten),
    // version and FDSC, byte for byte.
    std::vector<std::uint8_t> preamble;
    std::uint32_t timeBase = 0;  // STAB's ticks per second
    // STAB's size field less 16 bytes for each record.
    std::uint32_t tableSizeExtra = 16;
    // What FILM puts between a Cinepak frame's header and its first strip,
    // and by how much its length field falls short of the sample's size.
    std::vector<std::uint8_t> framePadding{0, 0};
    std::uint32_t lengthShortBy = 8;
};

// A FILM movie built in memory, sample by sample in the order they are to lie.
class FilmWriter {
public:
    explicit FilmWriter(FilmLayout layout);

    // A sound record: PCM as FILM keeps it (big-endian 16-bit or signed
    // 8-bit, each channel's samples after the other's).
    void addSound(std::span<const std::uint8_t> pcm);
    // A Cinepak frame as FFmpeg's encoder makes it (its length field its
    // size), at `time` for `duration` ticks; padded as the layout says.
    void addPicture(std::span<const std::uint8_t> frame, std::uint32_t time, std::uint32_t duration, bool key);

    // The whole movie's length so far, header included.
    std::int64_t size() const;
    std::int64_t records() const { return static_cast<std::int64_t>(table_.size() / RecordSize); }

    // The movie, then zeros up to `total` bytes (at least size()).
    std::vector<std::uint8_t> finish(std::size_t total) const;

    static constexpr std::size_t RecordSize = 16;
    static constexpr std::size_t TableHeadSize = 16;

private:
    void addRecord(std::size_t size, std::uint32_t info1, std::uint32_t info2);

    FilmLayout layout_;
    std::vector<std::uint8_t> table_;
    std::vector<std::uint8_t> data_;
};

}  // namespace hotaru
