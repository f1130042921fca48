#include "movie/CinepakFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace hotaru;

namespace {

using Bytes = std::vector<std::uint8_t>;

void putBe24(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v >> 16);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    b[at + 2] = static_cast<std::uint8_t>(v);
}

// A standard 160x120 frame whose strips carry the given ids and `stripLength` bytes each.
Bytes makeFrame(std::initializer_list<std::uint8_t> stripIds, std::uint32_t stripLength = 40)
{
    Bytes f{0x00, 0, 0, 0, 0x00, 0xA0, 0x00, 0x78, 0x00, static_cast<std::uint8_t>(stripIds.size())};
    for (std::uint8_t id : stripIds) {
        const std::size_t at = f.size();
        f.resize(at + stripLength);
        f[at] = id;
        putBe24(f, at + 1, stripLength);
        f[at + 9] = 120 / static_cast<std::uint8_t>(stripIds.size());
        f[at + 11] = 160;
        for (std::size_t i = at + 12; i < f.size(); ++i)
            f[i] = static_cast<std::uint8_t>(i * 7 + id);
    }
    putBe24(f, 1, static_cast<std::uint32_t>(f.size()));
    return f;
}

Bytes withPadding(Bytes f, const Bytes& padding, std::uint32_t lengthField)
{
    f.insert(f.begin() + 10, padding.begin(), padding.end());
    putBe24(f, 1, lengthField);
    return f;
}

// An exactly sized heap copy, so ASan flags any read past the end.
struct Exact {
    explicit Exact(const Bytes& b) : size(b.size()), data(new std::uint8_t[b.size() + (b.empty() ? 1 : 0)])
    {
        if (!b.empty())
            std::memcpy(data.get(), b.data(), b.size());
    }
    std::span<const std::uint8_t> span() const { return {data.get(), size}; }
    std::size_t size;
    std::unique_ptr<std::uint8_t[]> data;
};

}  // namespace

TEST(CinepakFrame, FilmWriterPaddingIsRemovedAndLengthMatchesSize)
{
    const Bytes standard = makeFrame({0x10, 0x11});
    // The FILM writer adds two bytes after the header and stores a length 8 short of the packet.
    Bytes padded = withPadding(standard, {0x00, 0x00}, static_cast<std::uint32_t>(standard.size() - 6));
    EXPECT_EQ(filmPaddingSize(Exact(padded).span()), 2);
    EXPECT_EQ(standardizeCinepakFrame(padded), FrameRepair::Repaired);
    EXPECT_EQ(padded, standard);
    EXPECT_EQ(cinepakLengthField(padded), padded.size());

    const Bytes single = makeFrame({0x10});
    Bytes sixPadded =
        withPadding(single, {0xFE, 0x00, 0x00, 0x06, 0x00, 0x00}, static_cast<std::uint32_t>(single.size()));
    EXPECT_EQ(filmPaddingSize(Exact(sixPadded).span()), 6);
    EXPECT_EQ(standardizeCinepakFrame(sixPadded), FrameRepair::Repaired);
    EXPECT_EQ(sixPadded, single);
}

TEST(CinepakFrame, StandardFramesKeepTheirBytes)
{
    Bytes frame = makeFrame({0x10, 0x11, 0x11});
    const Bytes before = frame;
    EXPECT_EQ(filmPaddingSize(Exact(frame).span()), 0);
    EXPECT_EQ(standardizeCinepakFrame(frame), FrameRepair::Unchanged);
    EXPECT_EQ(frame, before);
}

TEST(CinepakFrame, MalformedFramesAreRejectedAndLeftAlone)
{
    const Bytes good = makeFrame({0x10});
    Bytes noLength = good;
    putBe24(noLength, 1, 0);
    Bytes cutShort(good.begin(), good.end() - 5);
    Bytes stripHeaderCut{0x00, 0, 0, 10, 0, 0xA0, 0, 0x78, 0, 1, 0, 0, 0x10};
    Bytes stripTooLong = withPadding(good, {0, 0}, static_cast<std::uint32_t>(good.size() - 6));
    putBe24(stripTooLong, 13, 0xFFFFFF);
    Bytes stripTooShort = stripTooLong;
    putBe24(stripTooShort, 13, 11);

    struct Case {
        const char* name;
        Bytes bytes;
        int padding;
    };
    const std::vector<Case> cases{
        {"empty", {}, -1},
        {"header cut", Bytes(good.begin(), good.begin() + 9), -1},
        {"zero length", noLength, -1},
        {"length beyond packet", cutShort, -1},
        {"strip header cut", stripHeaderCut, 2},
        {"strip longer than frame", stripTooLong, 2},
        {"strip shorter than its header", stripTooShort, 2},
    };
    for (const auto& [name, bytes, padding] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(filmPaddingSize(Exact(bytes).span()), padding);
        Bytes frame = bytes;
        frame.shrink_to_fit();
        EXPECT_EQ(standardizeCinepakFrame(frame), FrameRepair::Malformed);
        EXPECT_EQ(frame, bytes);
    }
    EXPECT_EQ(cinepakLengthField(Exact(Bytes{0, 0, 1}).span()), 0u);
}

TEST(CinepakFrame, KeyFramesHaveOnlyIntraStrips)
{
    EXPECT_TRUE(isCinepakKeyFrame(Exact(makeFrame({0x10, 0x10})).span()));
    EXPECT_FALSE(isCinepakKeyFrame(Exact(makeFrame({0x10, 0x11})).span()));
    EXPECT_FALSE(isCinepakKeyFrame(Exact(makeFrame({})).span()));

    Bytes missingStrip = makeFrame({0x10, 0x10});
    missingStrip[9] = 3;  // claims a strip that is not there
    EXPECT_FALSE(isCinepakKeyFrame(Exact(missingStrip).span()));
    Bytes hugeStrip = makeFrame({0x10, 0x10});
    putBe24(hugeStrip, 11, 0xFFFFFF);  // first strip runs past the end
    EXPECT_FALSE(isCinepakKeyFrame(Exact(hugeStrip).span()));
}
