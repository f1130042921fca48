#include "catalogue/Archive.h"

#include "catalogue/Catalogue.h"
#include "disc/ArchiveReader.h"
#include "platform/File.h"

namespace hotaru {

disc::ReadOptions knowingArchiveSizes(disc::ReadOptions options)
{
    options.archiveSizes = {Disc1ArchiveSize, Disc2ArchiveSize};
    return options;
}

ArchiveInfo inspectArchive(const std::string& path)
{
    ArchiveInfo info;
    info.size = disc::openArchive(path, {}, knowingArchiveSizes())->size();
    info.disc = discOfSize(info.size);
    return info;
}

ArchiveInfo glanceAtArchive(const std::string& path)
{
    ArchiveInfo info;
    info.size = File::openRead(path).size();
    info.disc = discOfSize(info.size);
    return info;
}

}  // namespace hotaru
