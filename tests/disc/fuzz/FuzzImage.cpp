// libFuzzer's entry for one image reader, chosen by FUZZ_EXTENSION: the input
// is the image file "image.<extension>"; any other file it names (a BIN, an
// .img, an .mdf) is a small raw data track holding a stand-in archive. Whatever
// opens is read to its end (4 MiB at the most), as a copy would. Built for
// libFuzzer under clang (scripts/fuzz.sh), and as a plain program that replays
// the corpus in the suite (FuzzReplay.cpp).
#include "disc/ArchiveReader.h"
#include "disc/CdSector.h"
#include "platform/InOutError.h"
#include "tools/SampleImage.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifndef FUZZ_EXTENSION
#error "FUZZ_EXTENSION names the reader: cue, ccd, mds, nrg, iso or chd"
#endif

namespace {

using hotaru::disc::BlockSource;

class MemorySource final : public BlockSource {
public:
    MemorySource(std::string path, std::shared_ptr<const std::string> bytes)
        : path_(std::move(path)), bytes_(std::move(bytes))
    {
    }
    const std::string& path() const override { return path_; }
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_->size()); }
    void readAt(std::int64_t offset, void* buffer, std::size_t n) override
    {
        if (offset < 0 || offset > size() || static_cast<std::int64_t>(n) > size() - offset)
            throw hotaru::EInOutError(hotaru::io::ReadPastEnd, path_);
        std::copy_n(bytes_->data() + offset, n, static_cast<char*>(buffer));
    }

private:
    std::string path_;
    std::shared_ptr<const std::string> bytes_;
};

std::string slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A 5000-byte archive in an ISO 9660 file system, as raw mode-1 sectors.
std::shared_ptr<const std::string> companion()
{
    static const std::shared_ptr<const std::string> bytes = [] {
        const auto folder =
            std::filesystem::temp_directory_path() / ("hotaru-fuzz-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder);
        std::string archive(5000, '\0');
        for (std::size_t i = 0; i < archive.size(); ++i)
            archive[i] = static_cast<char>(i * 7 + 3);
        std::ofstream(folder / "hotaru4", std::ios::binary) << archive;
        hotaru::writeIsoImage((folder / "hotaru4").string(), (folder / "c.iso").string());
        const std::string iso = slurp(folder / "c.iso");
        std::filesystem::remove_all(folder);
        std::string raw(iso.size() / 2048 * hotaru::disc::RawSectorSize, '\0');
        for (std::size_t s = 0; s < iso.size() / 2048; ++s)
            hotaru::disc::makeMode1Sector(reinterpret_cast<std::uint8_t*>(raw.data()) + s * 2352,
                                          static_cast<std::int64_t>(s),
                                          reinterpret_cast<const std::uint8_t*>(iso.data()) + s * 2048);
        return std::make_shared<const std::string>(std::move(raw));
    }();
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = "/fuzz/image." FUZZ_EXTENSION;
    const auto input = std::make_shared<const std::string>(reinterpret_cast<const char*>(data), size);
    hotaru::disc::ReadOptions options;
    options.retries = 0;
    options.openFile = [&](const std::string& name) -> std::unique_ptr<BlockSource> {
        return std::make_unique<MemorySource>(name, name == path ? input : companion());
    };
    try {
        const auto reader = hotaru::disc::openArchive(path, {}, options);
        std::vector<char> buffer(64 * 1024);
        const std::int64_t end = std::min<std::int64_t>(reader->size(), std::int64_t{4} << 20);
        for (std::int64_t at = 0; at < end; at += static_cast<std::int64_t>(buffer.size()))
            reader->read(at, buffer.data(),
                         static_cast<std::size_t>(std::min<std::int64_t>(end - at, std::ssize(buffer))));
    } catch (const hotaru::disc::ImageError&) {
    } catch (const hotaru::EInOutError&) {
    }
    return 0;
}
