#include "extract/Checksums.h"

#include "platform/File.h"
#include "platform/InOutError.h"
#include "platform/TempFile.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string_view>

namespace hotaru {

namespace {

constexpr std::size_t SliceSize = 1 << 20;
constexpr int Sha256Bits = 256;
constexpr std::size_t Sha256Bytes = Sha256Bits / 8;
constexpr std::size_t HexDigits = 2 * Sha256Bytes;

struct ShaDeleter {
    void operator()(AVSHA* sha) const { av_free(sha); }
};

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool isDigest(std::string_view text)
{
    return text.size() == HexDigits && std::all_of(text.begin(), text.end(), isHex);
}

// GNU's escaped form, for names a line could not otherwise hold.
bool needsEscape(std::string_view name) { return name.find_first_of("\\\n") != std::string_view::npos; }

std::string escaped(std::string_view name)
{
    std::string out;
    for (const char c : name) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            out += name[i];
            continue;
        }
        if (++i == name.size())
            return std::nullopt;
        if (name[i] == '\\')
            out += '\\';
        else if (name[i] == 'n')
            out += '\n';
        else if (name[i] == 'r')
            out += '\r';
        else
            return std::nullopt;
    }
    return out;
}

// The name a line of a checksum file is for, in GNU's form ("HEX  name",
// "HEX *name") or BSD's ("SHA256 (name) = HEX"); nothing when it is neither.
std::optional<std::string> nameOfLine(std::string_view line)
{
    if (line.ends_with('\r'))  // written on Windows
        line.remove_suffix(1);
    const bool isEscaped = line.starts_with('\\');
    if (isEscaped)
        line.remove_prefix(1);
    std::string_view name;
    constexpr std::string_view bsdStart = "SHA256 (";
    constexpr std::string_view bsdMiddle = ") = ";
    if (line.starts_with(bsdStart)) {
        if (line.size() < bsdStart.size() + bsdMiddle.size() + HexDigits ||
            !isDigest(line.substr(line.size() - HexDigits)) ||
            line.substr(line.size() - HexDigits - bsdMiddle.size(), bsdMiddle.size()) != bsdMiddle)
            return std::nullopt;
        name = line.substr(bsdStart.size(), line.size() - HexDigits - bsdMiddle.size() - bsdStart.size());
    } else {
        if (line.size() < HexDigits + 2 || !isDigest(line.substr(0, HexDigits)) || line[HexDigits] != ' ' ||
            (line[HexDigits + 1] != ' ' && line[HexDigits + 1] != '*'))
            return std::nullopt;
        name = line.substr(HexDigits + 2);
    }
    if (name.empty())
        return std::nullopt;
    return isEscaped ? unescaped(name) : std::string(name);
}

std::string lineFor(const std::string& digest, const std::string& name)
{
    return needsEscape(name) ? "\\" + digest + "  " + escaped(name) : digest + "  " + name;
}

// The file's bytes; empty when there is no file yet.
std::string readIfThere(const std::string& path)
{
    File file;
    try {
        file = File::openRead(path);
    } catch (const EInOutError& e) {
        if (e.code() == io::FileNotFound)
            return {};
        throw;
    }
    std::string bytes(static_cast<std::size_t>(file.size()), '\0');
    file.readExact(bytes.data(), bytes.size());
    return bytes;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string fileSha256(const std::string& path)
{
    const std::unique_ptr<AVSHA, ShaDeleter> sha(av_sha_alloc());
    if (!sha)
        throw std::bad_alloc();
    av_sha_init(sha.get(), Sha256Bits);
    File file = File::openRead(path);
    const std::int64_t size = file.size();
    std::vector<std::uint8_t> slice(static_cast<std::size_t>(std::min<std::int64_t>(size, SliceSize)));
    for (std::int64_t offset = 0; offset < size;) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(size - offset, SliceSize));
        file.readAt(offset, slice.data(), n);
        av_sha_update(sha.get(), slice.data(), n);
        offset += static_cast<std::int64_t>(n);
    }
    std::array<std::uint8_t, Sha256Bytes> digest{};
    av_sha_final(sha.get(), digest.data());
    constexpr std::string_view digits = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : digest) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0xF];
    }
    return hex;
}

void recordChecksums(const std::string& folder, const std::vector<std::string>& fileNames)
{
    // Every file is read before the list is touched: a failure changes nothing.
    std::vector<std::string> names;
    std::vector<std::string> fresh;
    for (const std::string& name : fileNames) {
        if (std::find(names.begin(), names.end(), name) != names.end())
            continue;
        names.push_back(name);
        fresh.push_back(lineFor(fileSha256(folder + name), name));
    }

    const std::string listPath = folder + ChecksumsFileName;
    std::vector<bool> placed(names.size(), false);
    std::vector<std::string> merged;
    for (std::string& line : splitLines(readIfThere(listPath))) {
        const std::optional<std::string> name = nameOfLine(line);
        const auto given = name ? std::find(names.begin(), names.end(), *name) : names.end();
        if (given == names.end()) {
            merged.push_back(std::move(line));
            continue;
        }
        // An older second line for the name goes: one name, one digest.
        const auto k = static_cast<std::size_t>(given - names.begin());
        if (!placed[k])
            merged.push_back(fresh[k]);
        placed[k] = true;
    }
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (!placed[k])
            merged.push_back(fresh[k]);
    }

    std::string text;
    for (const std::string& line : merged)
        text += line + '\n';
    TempFile list(listPath);
    list.write(text.data(), text.size());
    list.commit();
}

}  // namespace hotaru
