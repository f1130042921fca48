#pragma once

#include <functional>
#include <string>

namespace hotaru {

class DriveProbe;

enum class DiscoveryOutcome {
    Found,    // archivePath names the archive on the first CD-ROM drive holding one
    NoCdRom,  // the system has no CD-ROM drive at all
    GaveUp,   // CD-ROM drives, no archive, and the user chose not to retry
};

struct Discovery {
    DiscoveryOutcome outcome = DiscoveryOutcome::NoCdRom;
    std::string archivePath;
};

// Scans every root in order; only CD-ROM drives are looked at. When drives exist
// but none holds the archive, askRetry decides whether to scan again.
Discovery discoverArchive(const DriveProbe& probe, const std::function<bool()>& askRetry);

}  // namespace hotaru
