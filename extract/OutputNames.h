#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hotaru {

// What a run does where a movie's name is taken in the output folder.
enum class ExistingFiles {
    Overwrite,  // replaces the files there
    Skip,       // leaves them, and the movie out
    Rename,     // writes beside them as "name (2)", "name (3)"…
};

// The rule's word in settings and on the command line: "overwrite", "skip", "rename".
std::string_view existingFilesName(ExistingFiles rule) noexcept;
// And back; nothing for any other word.
std::optional<ExistingFiles> parseExistingFiles(std::string_view name) noexcept;

// One per run: hands each movie the name its files get. Two movies of one
// run never get the same name, whatever the rule: the later one becomes
// "name (2)" and so on. Names are compared ignoring ASCII case, as Windows
// and macOS compare them.
class OutputNames {
public:
    // `exists` answers for a bare file name in the output folder.
    OutputNames(ExistingFiles rule, std::function<bool(const std::string& fileName)> exists);

    // The name for a movie whose run will leave `stem + extension` for each
    // of `extensions` (".cpk", or ".mp4" when converting); nothing: leave the
    // movie out. A name handed out stays taken for the rest of the run.
    std::optional<std::string> claim(const std::string& stem, const std::vector<std::string>& extensions);

private:
    bool handedOut(const std::string& stem) const;
    bool anyExists(const std::string& stem, const std::vector<std::string>& extensions) const;

    ExistingFiles rule_;
    std::function<bool(const std::string&)> exists_;
    std::vector<std::string> handedOut_;  // in lower case
};

}  // namespace hotaru
