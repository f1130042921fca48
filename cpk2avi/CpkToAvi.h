#pragma once

#include <string>

namespace hotaru {

// Remuxes a FILM/CPK movie into AVI. Cinepak frames are copied, only made
// standard (FILM padding removed, length field equal to the frame size); the
// audio becomes interleaved PCM (16-bit little-endian, or 8-bit unsigned).
// The AVI is written beside `out` and renamed into place when complete.
// Returns 0 on success; otherwise 1 with a one-line reason in `error`, no
// output written and an existing `out` untouched.
int convertCpkToAvi(const std::string& in, const std::string& out, std::string& error);

}  // namespace hotaru
