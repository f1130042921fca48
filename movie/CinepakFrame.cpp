#include "movie/CinepakFrame.h"

#include "platform/Bytes.h"

#include <algorithm>
#include <array>

namespace hotaru {

namespace {

std::uint32_t readBe24(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(bigEndian(b.data() + at, 3));
}

std::uint32_t readBe16(std::span<const std::uint8_t> b, std::size_t at) { return bigEndian16(b.data() + at); }

// Where the frame and strip headers keep their fields.
constexpr std::size_t LengthAt = 1;
constexpr std::size_t StripCountAt = 8;

// FILM pads either 2 bytes or 6; the two known FILM files with 6 padding
// bytes carry this sequence there.
constexpr int ShortPadding = 2;
constexpr std::array<std::uint8_t, 6> SixBytePadding{0xFE, 0x00, 0x00, 0x06, 0x00, 0x00};

constexpr std::uint8_t IntraStripId = 0x10;

}  // namespace

std::uint32_t cinepakLengthField(std::span<const std::uint8_t> frame)
{
    return frame.size() < CinepakHeaderSize ? 0 : readBe24(frame, LengthAt);
}

int filmPaddingSize(std::span<const std::uint8_t> frame)
{
    if (frame.size() < CinepakHeaderSize)
        return -1;
    const std::size_t length = readBe24(frame, LengthAt);
    if (length == 0 || length > frame.size())
        return -1;
    // Same test as FFmpeg's decoder: a packet that is neither the announced
    // length nor a multiple of it was padded by the FILM writer.
    if (length == frame.size() || frame.size() % length == 0)
        return 0;
    if (frame.size() >= CinepakHeaderSize + SixBytePadding.size() &&
        std::equal(SixBytePadding.begin(), SixBytePadding.end(), frame.begin() + CinepakHeaderSize))
        return static_cast<int>(SixBytePadding.size());
    return ShortPadding;
}

FrameRepair standardizeCinepakFrame(std::vector<std::uint8_t>& frame)
{
    const int padding = filmPaddingSize(frame);
    if (padding < 0)
        return FrameRepair::Malformed;
    const std::size_t size = frame.size() - static_cast<std::size_t>(padding);
    if (size > CinepakMaxLength)
        return FrameRepair::Malformed;

    if (padding > 0 && readBe16(frame, StripCountAt) > 0) {
        // The guess must leave a believable first strip header behind it.
        const std::size_t strip = CinepakHeaderSize + static_cast<std::size_t>(padding);
        if (frame.size() < strip + CinepakStripHeaderSize)
            return FrameRepair::Malformed;
        const std::size_t stripLength = readBe24(frame, strip + LengthAt);
        if (stripLength < CinepakStripHeaderSize || stripLength > size - CinepakHeaderSize)
            return FrameRepair::Malformed;
    }

    if (padding == 0 && readBe24(frame, LengthAt) == size)
        return FrameRepair::Unchanged;

    const auto first = frame.begin() + static_cast<std::ptrdiff_t>(CinepakHeaderSize);
    frame.erase(first, first + padding);
    frame[LengthAt] = static_cast<std::uint8_t>(size >> 16);
    frame[LengthAt + 1] = static_cast<std::uint8_t>(size >> 8);
    frame[LengthAt + 2] = static_cast<std::uint8_t>(size);
    return FrameRepair::Repaired;
}

bool isCinepakKeyFrame(std::span<const std::uint8_t> frame)
{
    if (frame.size() < CinepakHeaderSize)
        return false;
    const std::uint32_t strips = readBe16(frame, StripCountAt);
    if (strips == 0)
        return false;
    std::size_t at = CinepakHeaderSize;
    for (std::uint32_t i = 0; i < strips; ++i) {
        if (frame.size() - at < CinepakStripHeaderSize || frame[at] != IntraStripId)
            return false;
        const std::size_t length = readBe24(frame, at + LengthAt);
        if (length < CinepakStripHeaderSize)
            return false;
        if (i + 1 < strips && length > frame.size() - at)
            return false;
        at += length;
    }
    return true;
}

}  // namespace hotaru
