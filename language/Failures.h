#pragma once

#include <QString>

#include <exception>

namespace hotaru {
struct NameTemplateCheck;
struct SubtitleProblem;
namespace disc {
class ImageError;
}
}  // namespace hotaru

namespace language {

// What went wrong, in the installed language: the core reports a code and
// its facts, and the window and the command line word them alike. Texts come
// without a trailing full stop.

// A failed file operation's code (platform/InOutError.h).
QString ioText(int code);
// What is wrong with a disc image.
QString imageText(const hotaru::disc::ImageError& e);
// Any failure a run or an opening reports: a file operation's, an image's,
// or another's own words.
QString errorText(const std::exception_ptr& error);
// Why a naming template is refused; empty for one that is not.
QString nameTemplateText(const hotaru::NameTemplateCheck& check);
// What is wrong with a subtitle file, and on which line when one is to blame.
QString subtitleText(const hotaru::SubtitleProblem& problem);

}  // namespace language
