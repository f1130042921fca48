#include "tools/SampleArchive.h"

#include "catalogue/Catalogue.h"
#include "catalogue/MovieFiles.h"
#include "platform/File.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace hotaru {

namespace {

constexpr std::int64_t StampEvery = 16 * 1024;
constexpr std::size_t StampSize = 32;
// What goes through memory at a time while filling the archive.
constexpr std::size_t BlockSize = 1 << 20;

// A stamp that differs for every disc, movie and position.
void putStamp(char* at, std::int32_t disc, std::int32_t movie, std::int64_t pos)
{
    char text[StampSize + 16];
    std::snprintf(text, sizeof text, "@D%dM%02d:%020lld@@@@@", disc, movie, static_cast<long long>(pos));
    std::memcpy(at, text, StampSize);
}

void fillPattern(char* at, std::size_t n, std::int32_t disc, std::int32_t movie, std::int64_t pos)
{
    // 2^64 divided by the golden ratio: multiplying by it scatters neighbouring positions.
    constexpr std::uint64_t GoldenRatio64 = 0x9E3779B97F4A7C15ull;
    // Every disc and movie gets a seed of its own: a disc has fewer movies than this.
    constexpr std::int32_t SeedsPerDisc = 64;
    const auto seed = static_cast<std::uint64_t>(disc * SeedsPerDisc + movie);
    // xorshift over the absolute position: cheap, and no two movies agree
    for (std::size_t i = 0; i < n; ++i) {
        std::uint64_t x = static_cast<std::uint64_t>(pos + static_cast<std::int64_t>(i)) * GoldenRatio64 + seed;
        x ^= x >> 29;
        at[i] = static_cast<char>(x & 0xFF);
    }
}

void setLength(File& f, std::int64_t size, const std::string& path)
{
#ifdef _WIN32
    f.seek(size - 1);
    const char zero = 0;
    f.writeExact(&zero, 1);
    (void)path;
#else
    (void)f;
    if (::truncate(path.c_str(), size) != 0)
        throw EInOutError(ioCodeFromErrno(errno, path), path);
#endif
}

}  // namespace

std::string sampleHeader(std::int32_t disc, std::int32_t movie)
{
    char text[64];
    std::snprintf(text, sizeof text, "HOTARU4 SAMPLE disc=%d movie=%02d title=", disc, movie);
    return std::string(text) + std::string(movieTitle(disc, movie)) + "\n";
}

std::string clipFileName(std::int32_t movie)
{
    char name[32];
    std::snprintf(name, sizeof name, "clip-%02d", movie);
    return cpkName(name);
}

namespace {

// Copies a clip to the start of a movie's range; false when there is none.
bool writeClip(File& f, const std::string& clipsFolder, std::int32_t movie, std::int64_t start, std::int64_t size,
               std::vector<char>& block)
{
    if (clipsFolder.empty())
        return false;
    const std::string clipPath = joinPath(clipsFolder, clipFileName(movie));
    if (!isRegularFile(clipPath))
        return false;
    File clip = File::openRead(clipPath);
    const std::int64_t clipSize = clip.size();
    if (clipSize > size)
        throw EInOutError(io::ShortWrite, clipPath);  // the clip does not fit the movie's range
    f.seek(start);
    for (std::int64_t done = 0; done < clipSize;) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(clipSize - done, std::ssize(block)));
        clip.readExact(block.data(), n);
        f.writeExact(block.data(), n);
        done += static_cast<std::int64_t>(n);
    }
    return true;
}

}  // namespace

void writeSampleArchive(const std::string& path, std::int32_t disc, SampleFill fill, const std::string& clipsFolder)
{
    const std::int32_t count = movieCount(disc);
    if (count == 0)
        throw EInOutError(io::FileNotFound, path);
    const std::int64_t total = static_cast<std::int64_t>(movieOffset(disc, count)) + movieSize(disc, count);

    const std::string temp = path + "~sample.tmp";
    removeFile(temp);
    File f;
    try {
        f = File::createNew(temp);
    } catch (const EInOutError& e) {
        throw EInOutError(e.code(), path);  // name the file the caller asked for
    }
    try {
        setLength(f, total, temp);
        std::vector<char> block(BlockSize);
        for (std::int32_t m = 1; m <= count; ++m) {
            const std::int64_t start = movieOffset(disc, m);
            const std::int64_t size = movieSize(disc, m);
            if (writeClip(f, clipsFolder, m, start, size, block))
                continue;
            if (fill == SampleFill::Full) {
                for (std::int64_t done = 0; done < size;) {
                    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(size - done, std::ssize(block)));
                    fillPattern(block.data(), n, disc, m, start + done);
                    f.seek(start + done);
                    f.writeExact(block.data(), n);
                    done += static_cast<std::int64_t>(n);
                }
            } else {
                char stamp[StampSize];
                for (std::int64_t at = 0; at + static_cast<std::int64_t>(StampSize) <= size; at += StampEvery) {
                    putStamp(stamp, disc, m, start + at);
                    f.seek(start + at);
                    f.writeExact(stamp, sizeof stamp);
                }
            }
            const std::string header = sampleHeader(disc, m);
            f.seek(start);
            f.writeExact(header.data(), header.size());
        }
        f.close();
        replaceFile(temp, path);
    } catch (...) {
        f = File();
        removeFile(temp);
        throw;
    }
}

}  // namespace hotaru
