#include "extract/OutputNames.h"

#include <algorithm>
#include <array>
#include <utility>

namespace hotaru {

namespace {

constexpr std::array<std::pair<ExistingFiles, std::string_view>, 3> ruleNames{{
    {ExistingFiles::Overwrite, "overwrite"},
    {ExistingFiles::Skip, "skip"},
    {ExistingFiles::Rename, "rename"},
}};

std::string lowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string numbered(const std::string& stem, int n) { return stem + " (" + std::to_string(n) + ")"; }

}  // namespace

std::string_view existingFilesName(ExistingFiles rule) noexcept
{
    for (const auto& [r, name] : ruleNames) {
        if (r == rule)
            return name;
    }
    return {};
}

std::optional<ExistingFiles> parseExistingFiles(std::string_view name) noexcept
{
    for (const auto& [rule, n] : ruleNames) {
        if (n == name)
            return rule;
    }
    return std::nullopt;
}

OutputNames::OutputNames(ExistingFiles rule, std::function<bool(const std::string& fileName)> exists)
    : rule_(rule), exists_(std::move(exists))
{
}

std::optional<std::string> OutputNames::claim(const std::string& stem, const std::vector<std::string>& extensions)
{
    std::string name = stem;
    for (int n = 2; handedOut(name) || (rule_ == ExistingFiles::Rename && anyExists(name, extensions)); ++n)
        name = numbered(stem, n);
    // A name this run has not handed out holds no file of this run's.
    if (rule_ == ExistingFiles::Skip && anyExists(name, extensions))
        return std::nullopt;
    handedOut_.push_back(lowerAscii(name));
    return name;
}

bool OutputNames::handedOut(const std::string& stem) const
{
    return std::find(handedOut_.begin(), handedOut_.end(), lowerAscii(stem)) != handedOut_.end();
}

bool OutputNames::anyExists(const std::string& stem, const std::vector<std::string>& extensions) const
{
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](const std::string& extension) { return exists_(stem + extension); });
}

}  // namespace hotaru
