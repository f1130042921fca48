#include "movie/SubtitleFile.h"

#include "platform/Bytes.h"
#include "platform/Encoding.h"
#include "platform/File.h"

#include <algorithm>
#include <array>
#include <optional>

namespace hotaru {

namespace {

// The dialogue fields a track keeps, in the order of the header's Format line.
constexpr std::array<std::string_view, 8> AssFields = {"Layer",   "Style",   "Name",   "MarginL",
                                                       "MarginR", "MarginV", "Effect", "Text"};
constexpr std::string_view AssFormatLine =
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

using Result = std::variant<Subtitles, SubtitleProblem>;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && endsWithIgnoringCase(a, b);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads 1..maxDigits digits at `s`, moving past them.
std::optional<std::int64_t> number(std::string_view& s, std::size_t maxDigits)
{
    std::size_t n = 0;
    std::int64_t value = 0;
    while (n < s.size() && isDigit(s[n])) {
        if (++n > maxDigits)
            return std::nullopt;
        value = value * 10 + (s[n - 1] - '0');
    }
    if (n == 0)
        return std::nullopt;
    s.remove_prefix(n);
    return value;
}

bool take(std::string_view& s, char c)
{
    if (s.empty() || s.front() != c)
        return false;
    s.remove_prefix(1);
    return true;
}

// H:MM:SS,mmm (SRT) or H:MM:SS.cc (ASS), read from the front of `s`.
std::optional<std::int64_t> timeMs(std::string_view& s)
{
    const auto hours = number(s, 5);
    if (!hours || !take(s, ':'))
        return std::nullopt;
    const auto minutes = number(s, 2);
    if (!minutes || *minutes > 59 || !take(s, ':'))
        return std::nullopt;
    const auto seconds = number(s, 2);
    if (!seconds || *seconds > 59 || !(take(s, ',') || take(s, '.')))
        return std::nullopt;
    const std::size_t before = s.size();
    auto fraction = number(s, 3);
    if (!fraction)
        return std::nullopt;
    for (std::size_t digits = before - s.size(); digits < 3; ++digits)
        *fraction *= 10;
    const std::int64_t ms = ((*hours * 60 + *minutes) * 60 + *seconds) * 1000 + *fraction;
    if (ms > MaxSubtitleMs)
        return std::nullopt;
    return ms;
}

std::optional<std::int64_t> wholeTime(std::string_view s)
{
    s = trimmed(s);
    const auto ms = timeMs(s);
    return ms && s.empty() ? ms : std::nullopt;
}

// Drops {...} override blocks (in SRT only those of tags, {\...}); \N and \n
// break the line, \h is a space.
std::string assPlainText(std::string_view raw, bool tagsOnly = false)
{
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '{' && (!tagsOnly || (i + 1 < raw.size() && raw[i + 1] == '\\'))) {
            const std::size_t close = raw.find('}', i);
            if (close != std::string_view::npos) {
                i = close;
                continue;
            }
        }
        if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == 'N' || raw[i + 1] == 'n' || raw[i + 1] == 'h')) {
            text += raw[++i] == 'h' ? ' ' : '\n';
            continue;
        }
        text += raw[i];
    }
    return text;
}

// SRT's own markup (<i>, <font ...>) and the ASS tags some SRT files carry.
std::string srtPlainText(std::string_view raw)
{
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '<') {
            std::string_view tag = raw.substr(i + 1);
            if (!tag.empty() && tag.front() == '/')
                tag.remove_prefix(1);
            const std::size_t close = raw.find('>', i);
            const std::size_t nameEnd = tag.find_first_of(" >");
            const std::string name = asciiLower(tag.substr(0, nameEnd));
            if (close != std::string_view::npos &&
                (name == "b" || name == "i" || name == "u" || name == "s" || name == "font")) {
                i = close;
                continue;
            }
        }
        text += raw[i];
    }
    return assPlainText(text, true);
}

// Kana (with half-width katakana) and the CJK ideographs.
bool holdsJapanese(std::string_view utf8)
{
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (length == 3 && i + 2 < utf8.size()) {
            const unsigned cp = (lead & 0x0Fu) << 12 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6 |
                                (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            if ((cp >= 0x3040 && cp <= 0x30FF) || (cp >= 0x3400 && cp <= 0x4DBF) || (cp >= 0x4E00 && cp <= 0x9FFF) ||
                (cp >= 0xFF66 && cp <= 0xFF9F))
                return true;
        }
        i += static_cast<std::size_t>(length);
    }
    return false;
}

// The text's lines, without their '\r'.
std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

Result parseSrt(const std::vector<std::string_view>& lines)
{
    Subtitles subs;
    subs.format = SubtitleFormat::Srt;
    std::size_t i = 0;
    while (i < lines.size()) {
        if (trimmed(lines[i]).empty()) {
            ++i;
            continue;
        }
        // The cue's number is optional; its timing line is not.
        const std::string_view first = trimmed(lines[i]);
        if (first.find("-->") == std::string_view::npos &&
            first.find_first_not_of("0123456789") == std::string_view::npos)
            ++i;
        const int lineNumber = static_cast<int>(i) + 1;
        if (i >= lines.size())
            return SubtitleProblem{SubtitleError::NoTiming, lineNumber};
        std::string_view timing = trimmed(lines[i]);
        const std::size_t arrow = timing.find("-->");
        if (arrow == std::string_view::npos)
            return SubtitleProblem{SubtitleError::NoTiming, lineNumber};
        const auto start = wholeTime(timing.substr(0, arrow));
        std::string_view rest = trimmed(timing.substr(arrow + 3));
        const auto end = timeMs(rest);
        // Some writers put the cue's position after its end.
        if (!start || !end || (!rest.empty() && rest.front() != ' ' && rest.front() != '\t'))
            return SubtitleProblem{SubtitleError::BadTime, lineNumber};
        if (*end < *start)
            return SubtitleProblem{SubtitleError::EndBeforeStart, lineNumber};
        SubtitleCue cue{*start, *end, {}, {}};
        for (++i; i < lines.size() && !trimmed(lines[i]).empty(); ++i)
            cue.raw += (cue.raw.empty() ? "" : "\n") + std::string(lines[i]);
        if (cue.raw.empty())
            continue;  // nothing to show
        cue.text = srtPlainText(cue.raw);
        subs.cues.push_back(std::move(cue));
    }
    return subs;
}

Result parseAss(const std::vector<std::string_view>& lines)
{
    Subtitles subs;
    subs.format = SubtitleFormat::Ass;
    bool inEvents = false;
    int eventsLine = 0;
    std::vector<std::string> format;  // the Format line's names, Text last
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        const std::string_view line = trimmed(lines[i]);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            inEvents = sameIgnoringCase(line, "[Events]");
            if (inEvents && eventsLine == 0)
                eventsLine = lineNumber;
            // Sections after the events (fonts, pictures) stay behind.
            if (eventsLine == 0)
                subs.assHeader += std::string(line) + '\n';
            continue;
        }
        if (!inEvents) {
            if (eventsLine == 0)
                subs.assHeader += std::string(line) + '\n';
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = trimmed(line.substr(0, colon));
        std::string_view value = line.substr(colon + 1);
        if (!value.empty() && value.front() == ' ')
            value.remove_prefix(1);
        if (sameIgnoringCase(key, "Format")) {
            format.clear();
            for (std::string_view names = value;;) {
                const std::size_t comma = names.find(',');
                format.push_back(asciiLower(trimmed(names.substr(0, comma))));
                if (comma == std::string_view::npos)
                    break;
                names.remove_prefix(comma + 1);
            }
            const auto has = [&](std::string_view name) {
                return std::find(format.begin(), format.end(), name) != format.end();
            };
            if (!has("start") || !has("end") || format.back() != "text")
                return SubtitleProblem{SubtitleError::NoFormat, lineNumber};
            continue;
        }
        if (!sameIgnoringCase(key, "Dialogue"))
            continue;  // comments, pictures, sounds
        if (format.empty())
            return SubtitleProblem{SubtitleError::NoFormat, lineNumber};
        // The text is the rest of the line, commas and all.
        std::vector<std::string_view> fields;
        for (std::size_t f = 0; f + 1 < format.size(); ++f) {
            const std::size_t comma = value.find(',');
            if (comma == std::string_view::npos)
                return SubtitleProblem{SubtitleError::BadDialogue, lineNumber};
            fields.push_back(trimmed(value.substr(0, comma)));
            value.remove_prefix(comma + 1);
        }
        fields.push_back(value);
        const auto field = [&](std::string_view name) -> std::string_view {
            for (std::size_t f = 0; f < format.size(); ++f)
                if (format[f] == asciiLower(name))
                    return fields[f];
            return name == "Style" ? "Default" : name.starts_with("Margin") || name == "Layer" ? "0" : "";
        };
        const auto start = wholeTime(field("start"));
        const auto end = wholeTime(field("end"));
        if (!start || !end)
            return SubtitleProblem{SubtitleError::BadTime, lineNumber};
        if (*end < *start)
            return SubtitleProblem{SubtitleError::EndBeforeStart, lineNumber};
        SubtitleCue cue{*start, *end, assPlainText(field("Text")), {}};
        for (std::string_view name : AssFields)
            cue.raw += (cue.raw.empty() ? "" : ",") + std::string(field(name));
        subs.cues.push_back(std::move(cue));
    }
    if (eventsLine == 0)
        return SubtitleProblem{SubtitleError::NoEvents, 0};
    if (format.empty())
        return SubtitleProblem{SubtitleError::NoFormat, eventsLine};
    subs.assHeader += "[Events]\n";
    subs.assHeader += AssFormatLine;
    return subs;
}

}  // namespace

bool subtitleFormatOfFile(std::string_view path, SubtitleFormat& format)
{
    if (endsWithIgnoringCase(path, ".srt"))
        format = SubtitleFormat::Srt;
    else if (endsWithIgnoringCase(path, ".ass") || endsWithIgnoringCase(path, ".ssa"))
        format = SubtitleFormat::Ass;
    else
        return false;
    return true;
}

std::variant<Subtitles, SubtitleProblem> parseSubtitles(std::string_view bytes, SubtitleFormat format)
{
    if (bytes.size() > MaxSubtitleFileBytes)
        return SubtitleProblem{SubtitleError::TooLarge, 0};
    constexpr std::string_view Bom = "\xEF\xBB\xBF";
    if (bytes.starts_with(Bom))
        bytes.remove_prefix(Bom.size());
    // A NUL is no text: UTF-16 would otherwise pass as Shift-JIS.
    if (bytes.find('\0') != std::string_view::npos)
        return SubtitleProblem{SubtitleError::NotText, 0};
    std::string text;
    if (isValidUtf8(bytes)) {
        text = bytes;
    } else if (auto converted = cp932ToUtf8(bytes)) {
        text = std::move(*converted);
    } else {
        return SubtitleProblem{SubtitleError::NotText, 0};
    }
    const std::vector<std::string_view> lines = linesOf(text);
    Result result = format == SubtitleFormat::Srt ? parseSrt(lines) : parseAss(lines);
    if (auto* subs = std::get_if<Subtitles>(&result)) {
        if (subs->cues.empty())
            return SubtitleProblem{SubtitleError::NoCues, 0};
        subs->language = "eng";
        for (const SubtitleCue& cue : subs->cues)
            if (holdsJapanese(cue.text)) {
                subs->language = "jpn";
                break;
            }
    }
    return result;
}

std::variant<Subtitles, SubtitleProblem> readSubtitles(const std::string& path)
{
    SubtitleFormat format;
    if (!subtitleFormatOfFile(path, format))
        return SubtitleProblem{SubtitleError::UnknownFormat, 0};
    try {
        File file = File::openRead(path);
        const std::int64_t size = file.size();
        if (size > std::int64_t(MaxSubtitleFileBytes))
            return SubtitleProblem{SubtitleError::TooLarge, 0};
        std::string bytes(static_cast<std::size_t>(size), '\0');
        file.readExact(bytes.data(), bytes.size());
        return parseSubtitles(bytes, format);
    } catch (const std::exception&) {
        return SubtitleProblem{SubtitleError::Unreadable, 0};
    }
}

const SubtitleCue* cueAt(const Subtitles& subtitles, std::int64_t ms)
{
    for (const SubtitleCue& cue : subtitles.cues)
        if (cue.startMs <= ms && ms < cue.endMs)
            return &cue;
    return nullptr;
}

}  // namespace hotaru
