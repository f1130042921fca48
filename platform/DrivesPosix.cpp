#include "platform/Drives.h"
#include "platform/File.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace hotaru {

namespace {

// /proc/mounts escapes blanks and backslashes as three octal digits.
std::string unescapeMountField(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const std::string oct = s.substr(i + 1, 3);
            if (oct.size() == 3 && std::all_of(oct.begin(), oct.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(std::stoi(oct, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// sr2 before sr10.
bool deviceOrder(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

class PosixDriveProbe final : public DriveProbe {
public:
    std::vector<std::string> roots() const override
    {
        std::vector<std::string> devices;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator("/sys/block", ec)) {
            const std::string name = e.path().filename().string();
            if (name.rfind("sr", 0) == 0)
                devices.push_back(name);
        }
        std::ifstream in("/proc/self/mounts");
        const std::string table{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        cdroms_ = opticalRoots(std::move(devices), table);
        return cdroms_;
    }

    bool isCdRom(const std::string& root) const override
    {
        return std::find(cdroms_.begin(), cdroms_.end(), root) != cdroms_.end();
    }

    bool isFile(const std::string& path) const override { return isRegularFile(path); }

private:
    mutable std::vector<std::string> cdroms_;
};

}  // namespace

std::vector<std::string> opticalRoots(std::vector<std::string> devices, const std::string& mountTable)
{
    std::sort(devices.begin(), devices.end(), deviceOrder);
    struct Mount {
        std::string dev, dir, type;
    };
    std::vector<Mount> mounts;
    std::istringstream lines(mountTable);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string dev, dir, type;
        if (fields >> dev >> dir >> type)
            mounts.push_back({unescapeMountField(dev), unescapeMountField(dir), type});
    }
    std::vector<std::string> out;
    for (const auto& d : devices) {
        const std::string devPath = "/dev/" + d;
        std::string root = devPath;  // no medium mounted: a root that holds nothing
        for (const Mount& m : mounts) {
            std::error_code ec;  // a link such as /dev/cdrom names the same drive
            if (m.dev == devPath || std::filesystem::equivalent(m.dev, devPath, ec)) {
                root = m.dir;
                break;
            }
        }
        out.push_back(root);
    }
    // A disc file system mounted from elsewhere (an image the desktop
    // mounted through a loop device) counts as a drive too, after the real
    // ones, as Windows counts a mounted ISO.
    for (const Mount& m : mounts) {
        if ((m.type == "iso9660" || m.type == "udf") && std::find(out.begin(), out.end(), m.dir) == out.end())
            out.push_back(m.dir);
    }
    return out;
}

std::unique_ptr<DriveProbe> makeSystemDriveProbe() { return std::make_unique<PosixDriveProbe>(); }

}  // namespace hotaru
