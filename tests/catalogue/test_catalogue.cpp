#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

using namespace hotaru;

namespace {

// The title as Windows would store it: code page 932, converted by the system's own tables.
std::string toCp932(std::string_view utf8)
{
#ifdef _WIN32
    const int wideLength =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        wideLength);
    constexpr UINT ShiftJis = 932;
    BOOL lossy = FALSE;
    const int length =
        WideCharToMultiByte(ShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0, nullptr, &lossy);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(ShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, out.data(), length, nullptr, &lossy);
    if (wideLength == 0 || lossy)
        throw std::runtime_error("title not representable in CP932: " + std::string(utf8));
    return out;
#else
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no CP932 converter");
    std::string in(utf8);
    std::string out(in.size() * 2 + 8, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    const size_t r = iconv(cd, &src, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1))
        throw std::runtime_error("title not representable in CP932: " + in);
    out.resize(out.size() - outLeft);
    return out;
#endif
}

std::int64_t archiveSizeOf(std::int32_t v) { return v == 1 ? Disc1ArchiveSize : Disc2ArchiveSize; }

}  // namespace

TEST(Catalogue, MoviesTileEachArchiveWithoutGapOrOverlap)
{
    for (std::int32_t v : {1, 2}) {
        std::int64_t expectedOffset = 0;
        for (std::int32_t n = 1; n <= movieCount(v); ++n) {
            SCOPED_TRACE("disc " + std::to_string(v) + " movie " + std::to_string(n));
            EXPECT_EQ(movieOffset(v, n), expectedOffset);
            EXPECT_GT(movieSize(v, n), 0);
            EXPECT_EQ(movieSize(v, n) % 2048, 0) << "not whole CD sectors";
            expectedOffset += movieSize(v, n);
            EXPECT_LE(expectedOffset, INT32_MAX);
        }
        EXPECT_EQ(expectedOffset, archiveSizeOf(v));
    }
    EXPECT_EQ(movieCount(1), 31);
    EXPECT_EQ(movieCount(2), 19);
    EXPECT_EQ(MaxMovies, 31);
    EXPECT_EQ(movieCount(0), 0);
}

TEST(Catalogue, SizesAndOffsetsMatchTheDiscs)
{
    EXPECT_EQ(movieSize(1, 13), 2365440);
    EXPECT_EQ(movieSize(2, 9), 2365440);
    EXPECT_EQ(movieSize(1, 31), 8142848);
    EXPECT_EQ(movieOffset(1, 31), 247853056);
    EXPECT_EQ(movieSize(2, 7), 27613184);
    EXPECT_EQ(movieOffset(2, 19), 206092288);
    EXPECT_EQ(movieSize(1, 23), movieSize(2, 6));
}

TEST(Catalogue, TitlesAreUsableWindowsFileNamesOfAtMost30ShiftJisBytes)
{
    bool some0x5cTrailByte = false;
    for (std::int32_t v : {1, 2}) {
        std::set<std::string> seen;
        for (std::int32_t n = 1; n <= movieCount(v); ++n) {
            const std::string title(movieTitle(v, n));
            SCOPED_TRACE(title);
            ASSERT_FALSE(title.empty());
            EXPECT_TRUE(seen.insert(title).second) << "duplicate title";
            const std::string sjis = toCp932(title);
            EXPECT_LE(sjis.size(), 30u);
            EXPECT_EQ(title.find_first_of("\\/:*?\"<>|"), std::string::npos);
            EXPECT_NE(title.back(), ' ');
            EXPECT_NE(title.back(), '.');
            for (std::size_t i = 0; i < sjis.size(); ++i) {
                const auto lead = static_cast<unsigned char>(sjis[i]);
                const bool doubleByte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
                if (doubleByte) {
                    if (static_cast<unsigned char>(sjis[i + 1]) == 0x5C)
                        some0x5cTrailByte = true;
                    ++i;
                }
            }
        }
    }
    EXPECT_TRUE(some0x5cTrailByte) << "no title exercises a 0x5C trail byte";
}

TEST(Catalogue, VariantIsDecidedByTheExactSizeAlone)
{
    // The discs' own sizes, written out once here.
    ASSERT_EQ(Disc1ArchiveSize, 255995904);
    ASSERT_EQ(Disc2ArchiveSize, 208545792);
    EXPECT_EQ(discOfSize(Disc1ArchiveSize), 1);
    EXPECT_EQ(discOfSize(Disc2ArchiveSize), 2);
    const std::int64_t one = Disc1ArchiveSize;
    const std::int64_t two = Disc2ArchiveSize;
    for (std::int64_t size :
         {one - 1, one + 1, two - 1, two + 1, std::int64_t{0}, std::int64_t{-1}, one + (std::int64_t{1} << 32)})
        EXPECT_EQ(discOfSize(size), 0) << size;
}

TEST(Catalogue, NumbersOutsideTheDiscAnswerNothing)
{
    EXPECT_FALSE(isMovie(2, 20));
    EXPECT_FALSE(isMovie(1, 0));
    EXPECT_FALSE(isMovie(0, 1));
    EXPECT_FALSE(isMovie(3, 1));
    EXPECT_TRUE(movieTitle(2, 20).empty());
    EXPECT_EQ(movieSize(2, 31), 0);
    EXPECT_EQ(movieOffset(0, 1), 0);
}
