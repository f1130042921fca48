#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/Utf16.h"

#include <windows.h>

namespace hotaru {

namespace {

class WindowsDriveProbe final : public DriveProbe {
public:
    std::vector<std::string> roots() const override
    {
        std::vector<std::string> out;
        for (char c = 'A'; c <= 'Z'; ++c)
            out.push_back(std::string(1, c) + ":\\");
        return out;
    }

    bool isCdRom(const std::string& root) const override { return GetDriveTypeW(widen(root).c_str()) == DRIVE_CDROM; }

    bool isFile(const std::string& path) const override
    {
        // An empty drive must answer "no file" instead of asking for a disc.
        DWORD previous = 0;
        SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous);
        const bool found = isRegularFile(path);
        SetThreadErrorMode(previous, nullptr);
        return found;
    }
};

}  // namespace

std::unique_ptr<DriveProbe> makeSystemDriveProbe() { return std::make_unique<WindowsDriveProbe>(); }

}  // namespace hotaru
