#include "remake/FilmWriter.h"

#include "movie/CinepakFrame.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace hotaru {

namespace {

constexpr std::uint32_t SoundTime = 0xFFFFFFFF;
constexpr std::uint32_t NotKey = 0x80000000;

void putBe32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

void appendBe32(std::vector<std::uint8_t>& to, std::uint32_t v)
{
    to.resize(to.size() + 4);
    putBe32(to.data() + to.size() - 4, v);
}

}  // namespace

FilmWriter::FilmWriter(FilmLayout layout) : layout_(std::move(layout)) {}

void FilmWriter::addRecord(std::size_t size, std::uint32_t info1, std::uint32_t info2)
{
    // Offsets and sizes are 32-bit; nothing near that fits a disc's movie.
    if (data_.size() > 0xFFFFFFFFu || size > 0xFFFFFFFFu)
        throw std::length_error("FILM sample beyond 4 GiB");
    appendBe32(table_, static_cast<std::uint32_t>(data_.size()));
    appendBe32(table_, static_cast<std::uint32_t>(size));
    appendBe32(table_, info1);
    appendBe32(table_, info2);
}

void FilmWriter::addSound(std::span<const std::uint8_t> pcm)
{
    addRecord(pcm.size(), SoundTime, 1);
    data_.insert(data_.end(), pcm.begin(), pcm.end());
}

void FilmWriter::addPicture(std::span<const std::uint8_t> frame, std::uint32_t time, std::uint32_t duration, bool key)
{
    if (frame.size() < CinepakHeaderSize)
        throw std::invalid_argument("Cinepak frame shorter than its header");
    const std::size_t size = frame.size() + layout_.framePadding.size();
    addRecord(size, (time & ~NotKey) | (key ? 0 : NotKey), duration);
    const std::size_t at = data_.size();
    data_.insert(data_.end(), frame.begin(), frame.begin() + CinepakHeaderSize);
    data_.insert(data_.end(), layout_.framePadding.begin(), layout_.framePadding.end());
    data_.insert(data_.end(), frame.begin() + CinepakHeaderSize, frame.end());
    const std::size_t length = size - std::min<std::size_t>(size, layout_.lengthShortBy);
    data_[at + 1] = static_cast<std::uint8_t>(length >> 16);
    data_[at + 2] = static_cast<std::uint8_t>(length >> 8);
    data_[at + 3] = static_cast<std::uint8_t>(length);
}

std::int64_t FilmWriter::size() const
{
    return static_cast<std::int64_t>(layout_.preamble.size() + TableHeadSize + table_.size() + data_.size());
}

std::vector<std::uint8_t> FilmWriter::finish(std::size_t total) const
{
    const std::size_t headerSize = layout_.preamble.size() + TableHeadSize + table_.size();
    std::vector<std::uint8_t> out;
    out.reserve(std::max(total, headerSize + data_.size()));
    out = layout_.preamble;
    putBe32(out.data() + 4, static_cast<std::uint32_t>(headerSize));
    const std::uint8_t tag[] = {'S', 'T', 'A', 'B'};
    out.insert(out.end(), std::begin(tag), std::end(tag));
    appendBe32(out, static_cast<std::uint32_t>(table_.size() + layout_.tableSizeExtra));
    appendBe32(out, layout_.timeBase);
    appendBe32(out, static_cast<std::uint32_t>(records()));
    out.insert(out.end(), table_.begin(), table_.end());
    out.insert(out.end(), data_.begin(), data_.end());
    if (out.size() < total)
        out.resize(total, 0);
    return out;
}

}  // namespace hotaru
