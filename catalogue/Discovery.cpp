#include "catalogue/Discovery.h"

#include "catalogue/Archive.h"
#include "platform/Drives.h"

namespace hotaru {

Discovery discoverArchive(const DriveProbe& probe, const std::function<bool()>& askRetry)
{
    bool cdRomSeen = false;  // kept across retries
    for (;;) {
        for (const std::string& root : probe.roots()) {
            if (!probe.isCdRom(root))
                continue;  // other drives are never touched
            cdRomSeen = true;
            const std::string candidate = joinRoot(root, ArchiveFileName);
            if (probe.isFile(candidate))
                return {DiscoveryOutcome::Found, candidate};
        }
        if (!cdRomSeen)
            return {DiscoveryOutcome::NoCdRom, {}};
        if (!askRetry())
            return {DiscoveryOutcome::GaveUp, {}};
    }
}

}  // namespace hotaru
