#include "platform/InOutError.h"

#include <cerrno>
#include <filesystem>

namespace hotaru {

std::string withFullStop(const std::string& text)
{
    static const std::string ideographicStop = "。";
    if (text.ends_with('.') || text.ends_with(ideographicStop))
        return text;
    return text + ".";
}

EInOutError::EInOutError(int code, std::string path, int systemError)
    : std::runtime_error("input/output error " + std::to_string(code) + (path.empty() ? "" : " on " + path)),
      code_(code), path_(std::move(path)), systemError_(systemError)
{
}

int ioCodeFromErrno(int err, const std::string& path)
{
    switch (err) {
    case ENOENT: {
        // Windows says "path not found" when a folder on the way is missing.
        std::error_code ec;
        const auto parent = std::filesystem::path(path).parent_path();
        if (!parent.empty() && !std::filesystem::is_directory(parent, ec))
            return io::PathNotFound;
        return io::FileNotFound;
    }
    case ENOTDIR:
        return io::PathNotFound;
    case EMFILE:
    case ENFILE:
        return io::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return io::AccessDenied;
    case ENOSPC:
#ifdef EDQUOT  // not in the Windows runtime's errno.h
    case EDQUOT:
#endif
        return io::DiskFull;
    case EFBIG:
        return io::ShortWrite;
    case EEXIST:
        return io::FileExists;
    case ENAMETOOLONG:
        return io::NameTooLong;
    case EINVAL:
        return io::InvalidName;
    case ENXIO:  // a socket, or a device with nothing behind it
        return io::NotAFile;
    default:
        return io::DeviceError;  // EIO and anything else
    }
}

}  // namespace hotaru
