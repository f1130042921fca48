#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace hotaru::disc {

// What is wrong with a disc image, so that a window can word it in its own language.
enum class ImageFault {
    NoArchive,         // the image's file system has no hotaru4 in its root
    MissingTrackFile,  // a CUE sheet names a file that is not there
    TrackTooShort,     // a track's file ends before the sheet or the file system says
    BadSheet,          // a CUE sheet that does not parse (line() says where)
    NoDataTrack,       // a sheet or CHD with audio tracks only
    NotSupported,      // a kind of image or track this reader does not read
    UnknownCodec,      // a CHD compressed with a codec this reader does not know (codec())
    ChecksumFailed,    // a CHD hunk whose bytes do not match their checksum
    Malformed,         // a length, offset or table in the image that cannot be right
    UnreadableSector,  // the system could not read a sector, even after retries (ioCode())
};

// A damaged, unsupported or unreadable image. what() is a plain English sentence.
class ImageError : public std::runtime_error {
public:
    ImageError(ImageFault fault, std::string file, const std::string& message, std::int64_t archiveOffset = -1)
        : std::runtime_error(message), fault_(fault), file_(std::move(file)), archiveOffset_(archiveOffset)
    {
    }

    ImageFault fault() const noexcept { return fault_; }
    // The file concerned: the image, its CUE sheet or a track's file.
    const std::string& file() const noexcept { return file_; }
    // The byte of the archive where the damage lies, -1 when it lies outside
    // the archive (in the image's own tables) or is not known.
    std::int64_t archiveOffset() const noexcept { return archiveOffset_; }
    // BadSheet: the sheet's line, from 1. UnknownCodec: the codec's four letters.
    int line() const noexcept { return line_; }
    const std::string& codec() const noexcept { return codec_; }
    // UnreadableSector: the input/output code of the last failure (platform/InOutError.h).
    int ioCode() const noexcept { return ioCode_; }

    ImageError& withLine(int line)
    {
        line_ = line;
        return *this;
    }
    ImageError& withCodec(std::string codec)
    {
        codec_ = std::move(codec);
        return *this;
    }
    ImageError& withIoCode(int code)
    {
        ioCode_ = code;
        return *this;
    }

private:
    ImageFault fault_;
    std::string file_;
    std::int64_t archiveOffset_;
    int line_ = 0;
    std::string codec_;
    int ioCode_ = 0;
};

}  // namespace hotaru::disc
