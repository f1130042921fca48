#pragma once
// What the converter's suites share: clips from make-film-clip.sh, shell
// commands, reading and patching a FILM header, and a failing last step.

#include "movie/AvHandles.h"
#include "movie/MovieThumbnail.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <vector>

inline std::string shellQuoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline int exitCode(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What the command prints on its standard output.
inline std::string commandOutput(const std::string& command)
{
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

// A clip from make-film-clip.sh (`env` set before it), made unless it is
// there already; false when the script failed.
inline bool makeClip(const std::filesystem::path& path, int n, const std::string& seconds, const std::string& env = {})
{
    if (std::filesystem::exists(path))
        return true;
    return exitCode(env + " " + shellQuoted(CPK2AVI_CLIP_SCRIPT) + " " + std::to_string(n) + " " +
                    shellQuoted(path.string()) + " " + seconds) == 0;
}

inline std::uint32_t be32(const std::string& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = v << 8 | static_cast<std::uint8_t>(b.at(at + i));
    return v;
}

inline void putBe32(std::string& b, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<char>(v >> (24 - 8 * i));
}

inline void putBe16(std::string& b, std::size_t at, std::uint16_t v)
{
    b.at(at) = static_cast<char>(v >> 8);
    b.at(at + 1) = static_cast<char>(v);
}

// In a FILM header, bytes 4..7 hold the header's length, where the samples
// start; FDSC holds the height at +12, the width at +16 and the sound's
// samples per second in 16 bits at +24; STAB holds the clock's ticks per
// second at +8, then 16-byte sample records from +16 on: offset, size, time
// (all ones for sound; top bit set: not a key frame), duration. Returns where
// the `nth` video or sound record starts.
inline std::size_t sampleRecord(const std::string& film, bool sound, int nth = 0)
{
    const std::size_t stab = film.find("STAB");
    for (std::size_t at = stab + 16; at + 16 <= film.size(); at += 16)
        if ((be32(film, at + 8) == 0xFFFFFFFF) == sound && nth-- == 0)
            return at;
    throw std::out_of_range("no such sample record");
}

// Where the `nth` video frame's bytes start.
inline std::size_t videoFrameAt(const std::string& film, int nth)
{
    return be32(film, 4) + be32(film, sampleRecord(film, false, nth));
}

// A movie inside an archive, read as the disc reader would, each read kept.
struct ArchivedMovie {
    explicit ArchivedMovie(const std::string& movie)
        : bytes(std::string(4099, '\xAA') + movie + std::string(777, '\x55'))
    {
    }
    std::string bytes;
    std::int64_t offset = 4099;
    std::int64_t size = std::int64_t(bytes.size()) - 4099 - 777;
    std::int64_t failFrom = INT64_MAX;  // reads from here on throw
    std::vector<std::pair<std::int64_t, std::size_t>> reads;

    hotaru::ArchiveRead reader()
    {
        return [this](std::int64_t at, void* buffer, std::size_t n) {
            reads.emplace_back(at, n);
            if (at < 0 || at + std::int64_t(n) > std::int64_t(bytes.size()) || at >= failFrom)
                throw std::runtime_error("read error");
            std::memcpy(buffer, bytes.data() + at, n);
        };
    }
    // How far into the movie the reads went; -1 when one strayed outside it.
    std::int64_t readUpTo() const
    {
        std::int64_t end = 0;
        for (const auto& [at, n] : reads) {
            if (at < offset || at + std::int64_t(n) > offset + size)
                return -1;
            end = std::max(end, at + std::int64_t(n) - offset);
        }
        return end;
    }
};
