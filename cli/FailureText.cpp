#include "cli/FailureText.h"

#include "cli/Terminal.h"
#include "disc/ImageError.h"
#include "language/Failures.h"
#include "platform/InOutError.h"

namespace cli {

QString aboutFile(const std::string& file, const QString& text)
{
    const QString name = fromUtf8(file);
    if (name.isEmpty() || text.contains(name))
        return text;
    return QStringLiteral("%1: %2").arg(name, text);
}

QString failureText(const hotaru::EInOutError& e) { return aboutFile(e.path(), language::ioText(e.code())); }

QString failureText(const hotaru::disc::ImageError& e) { return aboutFile(e.file(), language::imageText(e)); }

QString copyFailureText(const hotaru::MovieFailure& f, const std::string& cpk)
{
    const QString what = language::errorText(f.error);
    if (f.damagedImage)
        return Texts::tr("%1 (while writing %2)").arg(aboutFile(f.path, what), fromUtf8(cpk));
    return aboutFile(f.path.empty() ? cpk : f.path, what);
}

}  // namespace cli
