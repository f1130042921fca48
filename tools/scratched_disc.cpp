// libhotaru-scratched-disc.so: a scratched stretch on any file, for trying
// and testing what the program does on a damaged disc without one. Loaded
// with LD_PRELOAD, it fails positional reads that touch a stretch of one
// file with EIO, as a drive does on a scratch:
//
//   HOTARU_SCRATCH_FILE=PATH HOTARU_SCRATCH_FROM=BYTE HOTARU_SCRATCH_TO=BYTE
//   LD_PRELOAD=.../libhotaru-scratched-disc.so program ...
//
// HOTARU_SCRATCH_TRY: the try at which a read of the same place succeeds (5:
// four failures, then the bytes; 1: a stretch that reads, slowly); 0 or
// unset, never. HOTARU_SCRATCH_MS: how long each read of the stretch takes
// (a drive tries for a while before it gives up); 0 by default. The settings
// are read at every call, so a test may set them after the program started.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

namespace {

std::int64_t setting(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::strtoll(value, nullptr, 10) : 0;
}

bool isFile(int fd, const char* path)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t length = ::readlink(link, target, sizeof target - 1);
    return length > 0 && std::string(target, static_cast<std::size_t>(length)) == path;
}

// Whether this read fails: it touches the stretch, and the place has not yet
// been tried often enough.
bool fails(int fd, std::int64_t offset, std::size_t n)
{
    const char* path = std::getenv("HOTARU_SCRATCH_FILE");
    if (!path || offset >= setting("HOTARU_SCRATCH_TO") ||
        offset + static_cast<std::int64_t>(n) <= setting("HOTARU_SCRATCH_FROM") || !isFile(fd, path))
        return false;
    if (const std::int64_t ms = setting("HOTARU_SCRATCH_MS"); ms > 0) {
        const timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1'000'000};
        ::nanosleep(&wait, nullptr);
    }
    if (const std::int64_t succeedsOn = setting("HOTARU_SCRATCH_TRY"); succeedsOn > 0) {
        static std::mutex mutex;
        static std::map<std::pair<std::int64_t, std::size_t>, std::int64_t> tries;
        const std::lock_guard lock(mutex);
        if (++tries[{offset, n}] >= succeedsOn)
            return false;
    }
    return true;
}

using Pread = ssize_t (*)(int, void*, size_t, off_t);

ssize_t readOrFail(Pread real, int fd, void* buffer, size_t n, off_t offset)
{
    if (fails(fd, offset, n)) {
        errno = EIO;
        return -1;
    }
    return real(fd, buffer, n, offset);
}

}  // namespace

extern "C" {

ssize_t pread64(int fd, void* buffer, size_t n, off_t offset)
{
    static const auto real = reinterpret_cast<Pread>(::dlsym(RTLD_NEXT, "pread64"));
    return readOrFail(real, fd, buffer, n, offset);
}

ssize_t pread(int fd, void* buffer, size_t n, off_t offset)
{
    static const auto real = reinterpret_cast<Pread>(::dlsym(RTLD_NEXT, "pread"));
    return readOrFail(real, fd, buffer, n, offset);
}
}
