#pragma once
#ifdef _WIN32
#include <string>

namespace hotaru {
// The wide API takes UTF-16; the program keeps UTF-8 everywhere else.
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);
}  // namespace hotaru
#endif
