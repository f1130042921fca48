// This build has no CHD codecs: CHD images are named as not supported.
#include "disc/Chd.h"
#include "disc/ChdBinCue.h"
#include "disc/DataTrack.h"
#include "disc/ImageError.h"

namespace hotaru::disc {

std::unique_ptr<DataTrack> chdTrack(std::shared_ptr<BlockSource> file, const TrackReading&)
{
    throw ImageError(ImageFault::NotSupported, file->path(), file->path() + ": this build reads no CHD images");
}

std::map<std::string, int> checkChdHunks(std::shared_ptr<BlockSource> file)
{
    chdTrack(std::move(file), {});
    return {};
}

ChdBinCue chdBinCue(const std::string& chdPath, const std::string&, const ReadOptions&)
{
    throw ImageError(ImageFault::NotSupported, chdPath, chdPath + ": this build reads no CHD images");
}

void writeChdBin(const std::string& chdPath, const ReadOptions& options,
                 const std::function<void(const std::uint8_t*, std::size_t)>&)
{
    chdBinCue(chdPath, {}, options);
}

}  // namespace hotaru::disc
