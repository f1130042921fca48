#include "disc/CloneCd.h"

#include "platform/Bytes.h"

#include "disc/CdSector.h"
#include "disc/ImageError.h"

#include <cctype>
#include <charconv>
#include <map>
#include <optional>
#include <vector>

namespace hotaru::disc {

namespace {

// A CD holds at most 99 minutes; addresses past that are damage.
constexpr std::int64_t MaxSector = 99LL * 60 * 75;
constexpr int LeadOut = 0xA2;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A decimal or 0x-hexadecimal integer, the way CloneCD writes either.
std::optional<std::int64_t> number(std::string_view s)
{
    int base = 10;
    bool negative = false;
    if (!s.empty() && s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    std::int64_t v = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    // Nothing in a .ccd comes near a billion: larger is damage, and would overflow.
    if (error != std::errc() || end != s.data() + s.size() || s.empty() || v > 1'000'000'000)
        return std::nullopt;
    return negative ? -v : v;
}

// The descriptor's name with .img for its extension.
std::string imageBeside(const std::string& ccdPath)
{
    const std::size_t dot = ccdPath.find_last_of('.');
    const std::size_t sep = ccdPath.find_last_of("/\\");
    const bool hasOne = dot != std::string::npos && (sep == std::string::npos || dot > sep);
    return (hasOne ? ccdPath.substr(0, dot) : ccdPath) + ".img";
}

using Section = std::map<std::string, std::string>;

struct Entry {
    int point = 0;
    int control = 0;
    std::int64_t sector = 0;
};

}  // namespace

ImageTrack parseCloneCd(std::string_view text, const std::string& ccdPath)
{
    const auto bad = [&](const std::string& why) {
        return ImageError(ImageFault::BadSheet, ccdPath, ccdPath + ": " + why);
    };
    std::map<std::string, Section> sections;
    Section* current = nullptr;
    int line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t end = text.find('\n');
        const std::string_view raw = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (raw.empty() || raw.front() == ';')
            continue;
        if (raw.front() == '[') {
            if (raw.back() != ']')
                throw bad("line " + std::to_string(line) + " opens a section it does not close");
            current = &sections[asciiLower(trimmed(raw.substr(1, raw.size() - 2)))];
            continue;
        }
        const std::size_t equals = raw.find('=');
        if (current == nullptr || equals == std::string_view::npos)
            throw bad("line " + std::to_string(line) + " is not a setting of a section");
        (*current)[asciiLower(trimmed(raw.substr(0, equals)))] = std::string(trimmed(raw.substr(equals + 1)));
    }
    if (!sections.count("clonecd"))
        throw bad("it has no [CloneCD] section");

    const auto value = [&](const Section& s, const std::string& section, const std::string& key) {
        const auto it = s.find(key);
        const std::optional<std::int64_t> v = it == s.end() ? std::nullopt : number(it->second);
        if (!v)
            throw bad("[" + section + "] has no number " + key);
        return *v;
    };
    std::vector<Entry> entries;
    for (const auto& [name, s] : sections) {
        if (!name.starts_with("entry "))
            continue;
        Entry e;
        e.point = static_cast<int>(value(s, name, "point"));
        // Only tracks and the lead-out carry an address; A0, A1, B0 and C0
        // points carry track numbers and disc types in its place.
        if (!((e.point >= 1 && e.point <= 99) || e.point == LeadOut))
            continue;
        e.control = static_cast<int>(value(s, name, "control"));
        if (s.count("plba"))
            e.sector = value(s, name, "plba");
        else
            e.sector =
                (value(s, name, "pmin") * 60 + value(s, name, "psec")) * 75 + value(s, name, "pframe") - LeadInFrames;
        if (e.sector < 0 || e.sector > MaxSector)
            throw bad("[" + name + "] places its point at sector " + std::to_string(e.sector));
        entries.push_back(e);
    }

    // The data track is the first track whose control marks data.
    const Entry* data = nullptr;
    for (const Entry& e : entries)
        if (e.point != LeadOut && (e.control & 0x04) && (!data || e.point < data->point))
            data = &e;
    if (!data)
        throw ImageError(ImageFault::NoDataTrack, ccdPath, ccdPath + " names no data track");

    ImageTrack track;
    track.number = data->point;
    track.file = imageBeside(ccdPath);
    const auto info = sections.find("track " + std::to_string(data->point));
    const std::int64_t mode =
        info == sections.end() || !info->second.count("mode") ? 1 : value(info->second, info->first, "mode");
    if (mode == 2)
        track.mode = TrackMode::Mode2Raw;
    else if (mode != 1)
        throw ImageError(ImageFault::NotSupported, ccdPath,
                         ccdPath + ": track " + std::to_string(track.number) + " is of mode " + std::to_string(mode));

    // It ends where the next track or the lead-out begins.
    std::int64_t end = -1;
    for (const Entry& e : entries)
        if (e.sector > data->sector && (end < 0 || e.sector < end))
            end = e.sector;
    if (end >= 0)
        track.sectors = end - data->sector;
    track.start = data->sector * static_cast<std::int64_t>(track.layout().sectorSize);
    return track;
}

}  // namespace hotaru::disc
