#pragma once

#include <string>
#include <vector>

namespace hotaru {

// The file in the output folder that lists the SHA-256 of what runs wrote.
inline constexpr char ChecksumsFileName[] = "SHA256SUMS";

// The SHA-256 of a whole file in lower-case hex, read a slice at a time.
// Throws EInOutError naming the file.
std::string fileSha256(const std::string& path);

// Records the SHA-256 of each named file of `folder` (which ends in a
// separator) in the folder's SHA256SUMS, in the form "sha256sum -c" checks.
// The lines already there stay in their order, lines it cannot read among
// them; a line for a name given here is replaced where it stands, and names
// it lacks are appended. The file is replaced only once complete, so a
// failure leaves the old one as it was. Throws EInOutError naming the file
// that failed.
void recordChecksums(const std::string& folder, const std::vector<std::string>& fileNames);

}  // namespace hotaru
