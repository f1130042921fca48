#pragma once
// What went wrong, worded in the run's language: the window's exact Japanese
// texts when Japanese is installed, plain English otherwise.

#include "extract/MovieExtraction.h"

#include <QString>

#include <string>

namespace hotaru {
class EInOutError;
namespace disc {
class ImageError;
}
}  // namespace hotaru

namespace cli {

// Whether the run speaks Japanese (language/Translations.h).
bool japanese();

// A failed file operation's code (platform/InOutError.h) in words.
QString ioText(int code);
// A damaged or unsupported image, in words.
QString imageText(const hotaru::disc::ImageError& e);
// `text` about `file`: "file: text", naming the file once even when the text names it already.
QString aboutFile(const std::string& file, const QString& text);
// "file: what", for a failed file operation or a damaged image.
QString failureText(const hotaru::EInOutError& e);
QString failureText(const hotaru::disc::ImageError& e);
// A movie whose copy failed; `cpk` is the file it was writing.
QString copyFailureText(const hotaru::MovieFailure& f, const std::string& cpk);

}  // namespace cli
