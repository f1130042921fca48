#pragma once

#include <stdexcept>
#include <string>

namespace hotaru {

// A one-line failure reason meant for the user.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A path as the messages name it: in single quotes.
inline std::string inQuotes(const std::string& path) { return "'" + path + "'"; }

}  // namespace hotaru
