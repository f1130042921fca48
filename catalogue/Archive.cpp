#include "catalogue/Archive.h"

#include "catalogue/Catalogue.h"
#include "disc/ArchiveReader.h"

namespace hotaru {

ArchiveInfo inspectArchive(const std::string& path)
{
    ArchiveInfo info;
    info.size = disc::openArchive(path)->size();
    info.disc = discOfSize(info.size);
    return info;
}

}  // namespace hotaru
