#pragma once
// What went wrong, worded in the run's language (language/Failures.h), each
// failure naming its file once.

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

// `text` about `file`: "file: text", naming the file once even when the text names it already.
QString aboutFile(const std::string& file, const QString& text);
// "file: what", for a failed file operation or a damaged image.
QString failureText(const hotaru::EInOutError& e);
QString failureText(const hotaru::disc::ImageError& e);
// A movie whose copy failed; `cpk` is the file it was writing.
QString copyFailureText(const hotaru::MovieFailure& f, const std::string& cpk);

}  // namespace cli
