#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Path.h"  // joinRoot, for the roots listed here

namespace hotaru {

// What the start-up scan asks of the system. Tests put a fake in its place.
class DriveProbe {
public:
    virtual ~DriveProbe() = default;
    // The roots to examine, in scan order.
    virtual std::vector<std::string> roots() const = 0;
    virtual bool isCdRom(const std::string& root) const = 0;
    // True for an existing file; a folder of that name does not count.
    virtual bool isFile(const std::string& path) const = 0;
};

// Windows: "A:\" to "Z:\". POSIX: one root per optical drive (sr*), in device
// order: the mount point of its medium, or the device itself when none is mounted.
std::unique_ptr<DriveProbe> makeSystemDriveProbe();

#ifndef _WIN32
// The roots of the optical drives `devices` (names such as "sr0"), in device
// order, given the text of the mount table: each drive's mount point, or
// "/dev/NAME" while it has no medium mounted; then every other ISO 9660 or
// UDF file system mounted (a disc image), in table order.
std::vector<std::string> opticalRoots(std::vector<std::string> devices, const std::string& mountTable);
#endif

}  // namespace hotaru
