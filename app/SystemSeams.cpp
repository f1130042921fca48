#include "SystemSeams.h"

#include "Drives.h"

namespace seams {

namespace {
std::unique_ptr<hotaru::DriveProbe>& slot()
{
    static std::unique_ptr<hotaru::DriveProbe> p = hotaru::makeSystemDriveProbe();
    return p;
}
}  // namespace

hotaru::DriveProbe& drives() { return *slot(); }

void replaceDrives(std::unique_ptr<hotaru::DriveProbe> replacement)
{
    slot() = replacement ? std::move(replacement) : hotaru::makeSystemDriveProbe();
}

}  // namespace seams
