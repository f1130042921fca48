#include "cli/FailureText.h"

#include "cli/Terminal.h"
#include "disc/ImageError.h"
#include "disc/ImageMessage.h"
#include "language/Language.h"
#include "platform/InOutError.h"

namespace cli {

bool japanese() { return language::installedLanguage() == language::Language::Japanese; }

QString ioText(int code)
{
    if (japanese())
        return fromUtf8(hotaru::ioMessage(code));
    // Not translated: the Japanese are the window's own texts, above.
    switch (code) {
    case hotaru::io::FileNotFound:
        return QStringLiteral("file not found");
    case hotaru::io::PathNotFound:
        return QStringLiteral("no such folder on the way, or an invalid name");
    case hotaru::io::TooManyOpenFiles:
        return QStringLiteral("too many open files");
    case hotaru::io::AccessDenied:
        return QStringLiteral("access denied");
    case hotaru::io::FileExists:
        return QStringLiteral("the file exists");
    case hotaru::io::ReadPastEnd:
        return QStringLiteral("the file ends before the bytes asked for");
    case hotaru::io::ShortWrite:
    case hotaru::io::DiskFull:
        return QStringLiteral("disk full");
    case hotaru::io::InvalidName:
        return QStringLiteral("invalid file name");
    case hotaru::io::NameTooLong:
        return QStringLiteral("file name too long");
    case hotaru::io::NotAFile:
        return QStringLiteral("not a file (a pipe, socket or device), so it is not read");
    case hotaru::io::DeviceError:
        return QStringLiteral("read or write error on the device");
    default:
        return QStringLiteral("input/output error %1").arg(code);
    }
}

QString imageText(const hotaru::disc::ImageError& e)
{
    return fromUtf8(japanese() ? hotaru::disc::imageMessage(e) : std::string(e.what()));
}

QString aboutFile(const std::string& file, const QString& text)
{
    const QString name = fromUtf8(file);
    if (name.isEmpty() || text.contains(name))
        return text;
    return QStringLiteral("%1: %2").arg(name, text);
}

QString failureText(const hotaru::EInOutError& e) { return aboutFile(e.path(), ioText(e.code())); }

QString failureText(const hotaru::disc::ImageError& e) { return aboutFile(e.file(), imageText(e)); }

QString copyFailureText(const hotaru::MovieFailure& f, const std::string& cpk)
{
    if (f.damagedImage)
        return Texts::tr("%1 (while writing %2)")
            .arg(aboutFile(f.path, fromUtf8(japanese() ? f.message : f.englishMessage)), fromUtf8(cpk));
    const QString what = f.ioCode != 0 ? ioText(f.ioCode) : fromUtf8(f.message);
    return aboutFile(f.path.empty() ? cpk : f.path, what);
}

}  // namespace cli
