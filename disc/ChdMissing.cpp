// This build has no CHD codecs: CHD images are named as not supported.
#include "disc/Chd.h"
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

}  // namespace hotaru::disc
