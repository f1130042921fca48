#include "catalogue/Archive.h"

#include "catalogue/Catalogue.h"
#include "platform/File.h"

namespace hotaru {

ArchiveInfo inspectArchive(const std::string& path)
{
    File f = File::openRead(path);
    ArchiveInfo info;
    info.size = f.size();
    f.close();
    info.disc = discOfSize(info.size);
    return info;
}

}  // namespace hotaru
