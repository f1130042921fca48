#include "disc/CueSheet.h"

#include "platform/Bytes.h"

#include "disc/ImageError.h"
#include "platform/Encoding.h"
#include "platform/Path.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace hotaru::disc {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::array Commands{"REM",       "FILE",  "TRACK", "INDEX", "PREGAP",     "POSTGAP",   "CATALOG",
                              "PERFORMER", "TITLE", "FLAGS", "ISRC",  "SONGWRITER", "CDTEXTFILE"};

// Splits a line into words; a quoted word keeps its blanks.
std::vector<std::string> words(std::string_view line, bool& unbalanced)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    unbalanced = false;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
        if (line[i] == '"') {
            const std::size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) {
                unbalanced = true;
                return out;
            }
            out.emplace_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            std::size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t')
                ++end;
            out.emplace_back(line.substr(i, end - i));
            i = end;
        }
    }
    return out;
}

// mm:ss:ff in sectors, or -1.
std::int64_t frames(const std::string& msf)
{
    int m = 0, s = 0, f = 0;
    char c1 = 0, c2 = 0;
    std::size_t used = 0;
    if (std::sscanf(msf.c_str(), "%d%c%d%c%d%zn", &m, &c1, &s, &c2, &f, &used) != 5 || c1 != ':' || c2 != ':' ||
        used != msf.size() || m < 0 || s < 0 || s >= 60 || f < 0 || f >= 75)
        return -1;
    return (static_cast<std::int64_t>(m) * 60 + s) * 75 + f;
}

std::string sheetFolder(const std::string& sheet)
{
    std::size_t cut = sheet.find_last_of('/');
#ifdef _WIN32
    const std::size_t back = sheet.find_last_of('\\');
    if (back != std::string::npos && (cut == std::string::npos || back > cut))
        cut = back;
#endif
    return cut == std::string::npos ? std::string() : sheet.substr(0, cut + 1);
}

bool isAbsolute(const std::string& name)
{
#ifdef _WIN32
    return name.size() > 2 && (name[1] == ':' || (name[0] == '\\' && name[1] == '\\'));
#else
    return !name.empty() && name[0] == '/';
#endif
}

}  // namespace

std::vector<CueTrack> parseCueSheet(std::string_view text, const std::string& sheetPath)
{
    const auto bad = [&](int line, const std::string& why) {
        return ImageError(ImageFault::BadSheet, sheetPath, sheetPath + ", line " + std::to_string(line) + ": " + why)
            .withLine(line);
    };
    if (text.starts_with(ByteOrderMark))
        text.remove_prefix(ByteOrderMark.size());
    std::string decoded;
    if (!isValidUtf8(text)) {
        std::optional<std::string> sjis = cp932ToUtf8(text);
        if (!sjis)
            throw bad(1, "the sheet is neither UTF-8 nor Shift-JIS text");
        decoded = std::move(*sjis);
        text = decoded;
    }
    std::vector<CueTrack> tracks;
    std::string file, fileType;
    int line = 0;
    while (!text.empty()) {
        ++line;
        std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        // A remark may hold anything, an unclosed quote included.
        const std::size_t first = raw.find_first_not_of(" \t");
        if (first != std::string_view::npos && asciiUpper(raw.substr(first, 3)) == "REM" &&
            (raw.size() == first + 3 || raw[first + 3] == ' ' || raw[first + 3] == '\t'))
            continue;
        bool unbalanced = false;
        const std::vector<std::string> w = words(raw, unbalanced);
        if (unbalanced)
            throw bad(line, "a quoted name is not closed");
        if (w.empty())
            continue;
        const std::string command = asciiUpper(w[0]);
        if (command == "FILE") {
            if (w.size() < 2 || w[1].empty())
                throw bad(line, "FILE without a name");
            fileType = w.size() >= 3 ? asciiUpper(w[2]) : "BINARY";
            file = isAbsolute(w[1]) ? w[1] : joinPath(sheetFolder(sheetPath), w[1]);
        } else if (command == "TRACK") {
            if (w.size() < 3)
                throw bad(line, "TRACK needs a number and a mode");
            if (file.empty())
                throw bad(line, "TRACK before any FILE");
            CueTrack t;
            t.number = std::atoi(w[1].c_str());
            t.file = file;
            t.fileType = fileType;
            t.line = line;
            const std::string mode = asciiUpper(w[2]);
            if (mode == "AUDIO")
                t.mode = TrackMode::Audio;
            else if (mode == "MODE1/2352")
                t.mode = TrackMode::Mode1Raw;
            else if (mode == "MODE1/2048")
                t.mode = TrackMode::Mode1Cooked;
            else if (mode == "MODE2/2352")
                t.mode = TrackMode::Mode2Raw;
            else if (mode == "MODE2/2336")
                t.mode = TrackMode::Mode2Cooked;
            else if (mode == "MODE2/2048")
                t.mode = TrackMode::Mode2Form1Cooked;
            else
                throw bad(line, "track mode " + w[2] + " is not known");
            tracks.push_back(t);
        } else if (command == "INDEX") {
            if (tracks.empty() || w.size() < 3)
                throw bad(line, "INDEX outside a track");
            const std::int64_t at = frames(w[2]);
            if (at < 0)
                throw bad(line, "\"" + w[2] + "\" is not a time mm:ss:ff");
            const int number = std::atoi(w[1].c_str());
            if (number == 0)
                tracks.back().index0 = at;
            else if (number == 1)
                tracks.back().index1 = at;
        } else {
            bool known = false;
            for (const char* c : Commands)
                known = known || command == c;
            if (!known)
                throw bad(line, "\"" + w[0] + "\" is not a command of a CUE sheet");
        }
    }
    if (tracks.empty())
        throw bad(line, "no TRACK");
    for (const CueTrack& t : tracks)
        if (t.index1 < 0)
            throw bad(t.line, "track " + std::to_string(t.number) + " has no INDEX 01");
    return tracks;
}

ImageTrack cueDataTrack(const std::vector<CueTrack>& tracks, const std::string& sheetPath)
{
    const auto data =
        std::find_if(tracks.begin(), tracks.end(), [](const CueTrack& t) { return t.mode != TrackMode::Audio; });
    if (data == tracks.end())
        throw ImageError(ImageFault::NoDataTrack, sheetPath, sheetPath + " names no data track");
    // Sound files (WAVE, MP3...) are decoded, not read as sectors.
    if (data->fileType != "BINARY" && data->fileType != "MOTOROLA")
        throw ImageError(ImageFault::NotSupported, data->file,
                         sheetPath + ", line " + std::to_string(data->line) + ": its data track is in a " +
                             data->fileType + " file, which holds sound, not a disc's sectors");
    ImageTrack track;
    track.number = data->number;
    track.file = data->file;
    track.mode = data->mode;
    track.start = data->index1 * static_cast<std::int64_t>(track.layout().sectorSize);
    const auto next = data + 1;
    if (next == tracks.end() || next->file != data->file) {
        track.endsOnSector = true;
        return track;
    }
    const std::int64_t end = next->index0 >= 0 ? next->index0 : next->index1;
    if (end < data->index1)
        throw ImageError(ImageFault::BadSheet, sheetPath,
                         sheetPath + ", line " + std::to_string(next->line) +
                             ": the track starts before the one before")
            .withLine(next->line);
    track.sectors = end - data->index1;
    return track;
}

bool looksLikeCueSheet(std::string_view head)
{
    if (head.starts_with(ByteOrderMark))
        head.remove_prefix(ByteOrderMark.size());
    if (head.find('\0') != std::string_view::npos)
        return false;
    while (!head.empty() && std::isspace(static_cast<unsigned char>(head.front())))
        head.remove_prefix(1);
    const std::string first = asciiUpper(head.substr(0, head.find_first_of(" \t\r\n")));
    for (const char* c : Commands)
        if (first == c && first != "INDEX" && first != "TRACK")
            return true;
    return false;
}

}  // namespace hotaru::disc
