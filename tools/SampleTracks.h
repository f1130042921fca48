#pragma once
// What the stand-in image writers share: the data track's sectors, the sound
// track, and names beside an image.

#include "tools/SampleImage.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace hotaru::sample {

inline constexpr int FramesPerSecond = 75;
inline constexpr std::size_t CookedSize = 2048;
inline constexpr std::size_t RawSize = 2352;
inline constexpr std::size_t SubchannelSize = 96;

// The archive's ISO 9660 file system as the data track: sectors of 2048
// bytes (`raw` false) or raw ones of `mode`, each followed by `subchannel`
// bytes, handed to `sink` in runs. Returns the number of sectors.
std::int64_t dataTrack(const std::string& archivePath, bool raw, DataTrackMode mode, std::size_t subchannel,
                       const std::function<void(const std::uint8_t*, std::size_t)>& sink);

// The sound track as CD audio (16-bit stereo, 44.1 kHz): two seconds of
// silence, then `seconds` of a wavering tone, so that it compresses as sound does.
std::vector<std::uint8_t> soundTrack(int seconds);

std::filesystem::path fsPath(const std::string& utf8);
std::string utf8(const std::filesystem::path& path);
// `path` with its extension replaced by `extension` ("img").
std::string withExtension(const std::string& path, const std::string& extension);
std::string siblingPath(const std::string& path, const std::string& name);

}  // namespace hotaru::sample
