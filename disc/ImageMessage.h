#pragma once

#include "disc/ImageError.h"

#include <string>

namespace hotaru::disc {

// The window's words for what is wrong with an image, in the style of the
// runtime's own messages, without a trailing full stop. The command line
// says what() instead.
std::string imageMessage(const ImageError& e);

}  // namespace hotaru::disc
