#include "platform/TempFile.h"

#include <atomic>

#ifndef _WIN32
#include <climits>
#include <unistd.h>
#endif

namespace hotaru {

namespace {

// So many temporaries of one name mean something is wrong, not busy.
constexpr int MaxTempNumber = 1000;

// The temporary a signal handler should remove; lock-free, so safe to read there.
std::atomic<const char*> activeTemp{nullptr};

#ifndef _WIN32
// Keeps the longest start of a UTF-8 name that fits `limit` bytes without
// cutting a character in two.
std::string cutName(std::string name, std::size_t limit)
{
    constexpr unsigned char ContinuationMask = 0xC0;
    constexpr unsigned char ContinuationByte = 0x80;
    while (limit > 0 && (static_cast<unsigned char>(name[limit]) & ContinuationMask) == ContinuationByte)
        --limit;
    name.resize(limit);
    return name;
}
#endif

std::string tempName(const std::string& finalPath, int n)
{
    // Built piece by piece: GCC 12 at -O3 takes "~" + ... for a restrict violation.
    std::string suffix(1, '~');
    suffix += std::to_string(n);
    suffix += ".tmp";
#ifdef _WIN32
    return finalPath + suffix;
#else
    const std::size_t slash = finalPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = finalPath.substr(nameStart);
    if (name.size() + suffix.size() > NAME_MAX)
        name = cutName(std::move(name), NAME_MAX - suffix.size());
    return finalPath.substr(0, nameStart) + name + suffix;
#endif
}

}  // namespace

TempFile::TempFile(std::string finalPath) : finalPath_(std::move(finalPath))
{
    if (isReadOnlyFile(finalPath_))
        throw EReadOnlyFile(finalPath_);
    for (int n = 1;; ++n) {
        path_ = tempName(finalPath_, n);
        try {
            file_ = File::createNew(path_);  // never one that exists: two runs never share it
            activeTemp.store(path_.c_str());
            return;
        } catch (const EInOutError& e) {
            if (e.code() != io::FileExists)
                throw EInOutError(e.code(), finalPath_, e.systemError());
            if (n >= MaxTempNumber)
                throw EInOutError(io::AccessDenied, finalPath_, e.systemError());
        }
    }
}

TempFile::~TempFile()
{
    if (!committed_) {
        file_ = File();
        removeFile(path_);
    }
    forget();
}

void TempFile::write(const void* data, std::size_t n)
{
    try {
        file_.writeExact(data, n);
    } catch (const EInOutError& e) {
        throw EInOutError(e.code(), finalPath_, e.systemError());
    }
}

void TempFile::readAt(std::int64_t offset, void* data, std::size_t n)
{
    try {
        file_.readAt(offset, data, n);
    } catch (const EInOutError& e) {
        throw EInOutError(e.code(), finalPath_, e.systemError());
    }
}

void TempFile::writeAt(std::int64_t offset, const void* data, std::size_t n)
{
    try {
        file_.seek(offset);
        file_.writeExact(data, n);
    } catch (const EInOutError& e) {
        throw EInOutError(e.code(), finalPath_, e.systemError());
    }
}

void TempFile::commit(Flush flush)
{
    try {
        if (flush == Flush::Always || isRegularFile(finalPath_))
            file_.flushToDisk();
        file_.close();
    } catch (const EInOutError& e) {
        throw EInOutError(e.code(), finalPath_, e.systemError());
    }
    if (isReadOnlyFile(finalPath_))
        throw EReadOnlyFile(finalPath_);
    replaceFile(path_, finalPath_);
    committed_ = true;
    forget();
}

void TempFile::forget() noexcept
{
    const char* mine = path_.c_str();
    activeTemp.compare_exchange_strong(mine, nullptr);
}

#ifndef _WIN32
void removeActiveTempFile() noexcept
{
    if (const char* path = activeTemp.load())
        ::unlink(path);
}
#endif

}  // namespace hotaru
