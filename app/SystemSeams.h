#pragma once

#include <memory>

namespace hotaru {
class DriveProbe;
}

// The drive scan of start-up; tests put a fake in its place.
namespace seams {
hotaru::DriveProbe& drives();
// Takes over `replacement`; nullptr restores the system's own.
void replaceDrives(std::unique_ptr<hotaru::DriveProbe> replacement);
}  // namespace seams
