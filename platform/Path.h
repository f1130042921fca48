#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace hotaru {

// The separator the system puts between a folder and a name.
#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif

// Both join a folder and a name with one PathSeparator between them: a folder
// that already ends in a separator gets no second one, and an empty folder
// gives the bare name. An empty name gives the folder ending in a separator.
// They differ only in what counts as a separator at the folder's end:
//
// joinPath: the system's own; on POSIX a backslash is part of a name.
std::string joinPath(const std::string& folder, const std::string& name);
// joinRoot: also a backslash on every system, since a drive root may come in
// Windows form ("Q:\") wherever drives are listed.
std::string joinRoot(const std::string& root, const std::string& name);

// The bytes this user may still write on the folder's volume; nothing when
// the system cannot tell.
std::optional<std::int64_t> freeSpace(const std::string& folder) noexcept;

}  // namespace hotaru
