#include "cli/CommandLine.h"

#include "language/Failures.h"

#include "cli/RunKind.h"
#include "cli/Terminal.h"
#include "config/ProgramInfo.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <vector>

namespace cli {

namespace {

const QString Program = QString::fromUtf8(hotaru::ProgramName);

struct OptionEntry {
    QStringList names;
    QString valueName;
    const char* description;  // English, translated when shown
};

// One table gives both the parser's options and the help text.
const std::vector<OptionEntry>& optionEntries()
{
    static const std::vector<OptionEntry> entries{
        {{QStringLiteral("l"), QStringLiteral("list")},
         {},
         QT_TRANSLATE_NOOP("Texts", "List the disc's movies: number, title, size and length.")},
        {{QStringLiteral("x"), QStringLiteral("extract")},
         {},
         QT_TRANSLATE_NOOP("Texts", "Copy the named movies, or all, into <title>.cpk files.")},
        {{QStringLiteral("put-back")},
         QStringLiteral("N"),
         QT_TRANSLATE_NOOP("Texts", "Write into --out DIR a copy of the disc with movie N re-made from FILE: a video, "
                                    "or .srt/.ass subtitles drawn into the disc's own movie.")},
        {{QStringLiteral("max-seconds")},
         QStringLiteral("S"),
         QT_TRANSLATE_NOOP("Texts", "With --put-back, accept a new movie of up to S seconds (default 600).")},
        {{QStringLiteral("o"), QStringLiteral("out")},
         QStringLiteral("DIR"),
         QT_TRANSLATE_NOOP("Texts", "Write into DIR instead of the current folder.")},
        {{QStringLiteral("avi")}, {}, QT_TRANSLATE_NOOP("Texts", "Convert each copy into <title>.avi (Cinepak, PCM).")},
        {{QStringLiteral("mp4")},
         {},
         QT_TRANSLATE_NOOP("Texts",
                           "Convert each copy into <title>.mp4 (H.264, AAC), which browsers and phones play.")},
        {{QStringLiteral("mkv")},
         {},
         QT_TRANSLATE_NOOP("Texts", "Convert each copy into <title>.mkv: the disc's own pictures and sound, for "
                                    "keeping.")},
        {{QStringLiteral("scale")},
         QStringLiteral("N"),
         QT_TRANSLATE_NOOP("Texts", "Enlarge MP4 and MKV pictures N times (2 to 4), each pixel a square block, for "
                                    "video sites (an MKV's pictures are then H.264).")},
        {{QStringLiteral("name")},
         QStringLiteral("TEMPLATE"),
         QT_TRANSLATE_NOOP("Texts", "Name the files by TEMPLATE (default {title}): {title}, {title_en}, {n} or "
                                    "{n:02} (the number), {disc}.")},
        {{QStringLiteral("existing")},
         QStringLiteral("RULE"),
         QT_TRANSLATE_NOOP("Texts", "Where a name is taken: overwrite (default), skip, or rename to \"name (2)\".")},
        {{QStringLiteral("subtitles")},
         QStringLiteral("DIR"),
         QT_TRANSLATE_NOOP("Texts", "Give each MP4 or MKV the subtitles DIR holds for it, <name>.srt or <name>.ass "
                                    "(UTF-8 or Shift-JIS), as a track of its own.")},
        {{QStringLiteral("burn-subtitles")},
         {},
         QT_TRANSLATE_NOOP("Texts", "Draw the subtitles into the pictures instead, for players without subtitles.")},
        {{QStringLiteral("checksums")},
         {},
         QT_TRANSLATE_NOOP("Texts", "Record each file written in DIR's SHA256SUMS, for sha256sum -c to check.")},
        {{QStringLiteral("converter")},
         QStringLiteral("PATH"),
         QT_TRANSLATE_NOOP("Texts", "The converter (default: cpk2avi beside the program).")},
        {{QStringLiteral("lang")},
         QStringLiteral("ja|en"),
         QT_TRANSLATE_NOOP("Texts", "Speak Japanese or English, whatever the system's language.")},
        {{QStringLiteral("h"), QStringLiteral("help")}, {}, QT_TRANSLATE_NOOP("Texts", "Show this help and exit.")},
        {{QStringLiteral("version")}, {}, QT_TRANSLATE_NOOP("Texts", "Show the version and exit.")},
    };
    return entries;
}

QString optionColumn(const OptionEntry& entry)
{
    QString text =
        entry.names.first().size() == 1 ? QStringLiteral("-%1, ").arg(entry.names.first()) : QStringLiteral("    ");
    text += QStringLiteral("--") + entry.names.last();
    if (!entry.valueName.isEmpty())
        text += QLatin1Char(' ') + entry.valueName;
    return text;
}

}  // namespace

QString helpText()
{
    QString text =
        Texts::tr("Usage: %1 [ARCHIVE]\n"
                  "       %1 --list [ARCHIVE]\n"
                  "       %1 --extract [ARCHIVE] [--out DIR] [--avi|--mp4|--mkv [--scale N] [--converter PATH]]\n"
                  "                 [--subtitles DIR [--burn-subtitles]] [--name TEMPLATE] [--existing RULE]\n"
                  "                 [--checksums] [N|TITLE ...]\n"
                  "       %1 --put-back N FILE [ARCHIVE] --out DIR [--max-seconds S]\n"
                  "\n"
                  "Copies the movies of the game's two CDs out of their archive, hotaru4, into\n"
                  "<title>.cpk files, or puts a re-made movie back into a copy of the disc. Without\n"
                  "--list, --extract or --put-back it opens the window, with ARCHIVE open when one\n"
                  "is named. ARCHIVE is hotaru4 or a disc image holding it; without ARCHIVE the\n"
                  "CD-ROM drives are searched. Movies are named by number (N, as --list shows it)\n"
                  "or by exact TITLE.\n"
                  "\n"
                  "Options:")
            .arg(Program) +
        u'\n';
    int width = 0;
    for (const OptionEntry& entry : optionEntries())
        width = std::max(width, static_cast<int>(optionColumn(entry).size()));
    for (const OptionEntry& entry : optionEntries())
        text += QStringLiteral("  %1  %2\n").arg(optionColumn(entry), -width).arg(Texts::tr(entry.description));
    text += u'\n' + Texts::tr("Examples:\n"
                              "  %1 --extract --mkv --checksums --out ~/movies 1 2\n"
                              "  %1 --extract --mp4 --scale 4 --subtitles subs --name '{n:02} {title_en}'\n"
                              "  %1 --put-back 3 english.srt disc1.cue --out ~/patched\n")
                        .arg(Program);
    text += u'\n' +
            Texts::tr("Exit status: 0 when everything asked for was done, 1 when something failed,\n"
                      "2 for bad usage or a movie the disc does not have, 130 when interrupted.") +
            u'\n';
    return text;
}

QString usageErrorText(const Options& options)
{
    QString text = options.nameError     ? Texts::tr("--name: %1").arg(language::nameTemplateText(*options.nameError))
                   : options.errorSource ? Texts::tr(options.errorSource)
                                         : options.error;
    for (const QString& arg : options.errorArgs)
        text = text.arg(arg);
    return Texts::tr("%1: %2\nTry '%1 --help' for more information.").arg(Program, text) + u'\n';
}

namespace {

// A usage error: `english` (marked for translation) with its arguments; the
// message is made again in the run's language when it is shown.
Options failure(const char* english, const QStringList& args = {})
{
    Options o;
    o.mode = Mode::Error;
    o.errorSource = english;
    o.errorArgs = args;
    o.message = usageErrorText(o);
    return o;
}

// An error in Qt's own words.
Options failure(const QString& text)
{
    Options o;
    o.mode = Mode::Error;
    o.error = text;
    o.message = usageErrorText(o);
    return o;
}

// The arguments without Qt's window options, by the rule the launcher uses too.
QStringList withoutWindowOptions(const QStringList& arguments)
{
    std::vector<std::u16string> wide;
    for (const QString& a : arguments)
        wide.push_back(a.toStdU16String());
    QStringList kept;
    for (const std::u16string& a : cli::withoutWindowOptions(wide))
        kept << QString::fromStdU16String(a);
    return kept;
}

// The first operand of --extract is the archive when it is a path: it holds a
// separator or, not being a movie number, names an existing file.
bool isArchiveOperand(const QString& operand, const QDir& start)
{
    if (isPathLike(operand))
        return true;
    const bool number = !operand.isEmpty() && std::all_of(operand.begin(), operand.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    const QFileInfo info(start.absoluteFilePath(operand));
    return !number && info.exists() && !info.isDir();
}

// Made absolute at once: the window later moves the current folder (a
// remembered output folder), and names typed by the user are relative to the
// folder the program was started in.
QString absolute(const QString& path, const QDir& start)
{
    return path.isEmpty() ? path : QDir::toNativeSeparators(start.absoluteFilePath(path));
}

}  // namespace

bool isPathLike(const QString& text)
{
    if (text.contains(QLatin1Char('/')))
        return true;
#ifdef _WIN32
    // D:\hotaru4, tools\cpk2avi.exe, D:hotaru4
    if (text.contains(QLatin1Char('\\')))
        return true;
    if (text.size() >= 2 && text[1] == QLatin1Char(':') && text[0].isLetter())
        return true;
#endif
    return false;
}

namespace {

// --put-back N FILE [ARCHIVE] --out DIR [--max-seconds S]: only --out and
// --lang go with it.
Options parsePutBack(const QCommandLineParser& parser, const QStringList& operands, const QDir& start,
                     std::optional<language::Language> chosen)
{
    for (const char* name :
         {"avi", "mp4", "mkv", "scale", "converter", "name", "existing", "subtitles", "burn-subtitles", "checksums"}) {
        if (parser.isSet(QLatin1String(name)))
            return failure(QT_TRANSLATE_NOOP("Texts", "--%1 goes with --extract"), {QLatin1String(name)});
    }
    Options o;
    o.language = chosen;
    o.mode = Mode::PutBack;
    o.putBackMovie = parser.value(QStringLiteral("put-back"));
    if (operands.isEmpty())
        return failure(QT_TRANSLATE_NOOP("Texts", "--put-back needs the FILE the movie is made from"));
    if (operands.size() > 2)
        return failure(QT_TRANSLATE_NOOP("Texts", "--put-back takes FILE and at most one archive, not %1"),
                       {operands.join(QStringLiteral(", "))});
    o.putBackFile = absolute(operands[0], start);
    o.archive = absolute(operands.value(1), start);
    if (!parser.isSet(QStringLiteral("out")) || parser.value(QStringLiteral("out")).isEmpty())
        return failure(QT_TRANSLATE_NOOP("Texts", "--put-back needs --out DIR, the folder the copy goes into"));
    o.outputFolder = absolute(parser.value(QStringLiteral("out")), start);
    if (parser.isSet(QStringLiteral("max-seconds"))) {
        bool number = false;
        const QString text = parser.value(QStringLiteral("max-seconds"));
        o.maxSeconds = text.toDouble(&number);
        if (!number || !(o.maxSeconds > 0) || o.maxSeconds > 24 * 3600)
            return failure(QT_TRANSLATE_NOOP("Texts", "--max-seconds takes a number of seconds up to 86400, not %1"),
                           {text});
    }
    return o;
}

}  // namespace

Options parse(const QStringList& arguments, const QString& startFolder)
{
    const QDir start(startFolder);
    QCommandLineParser parser;
    std::vector<QCommandLineOption> options;
    for (const OptionEntry& entry : optionEntries()) {
        options.emplace_back(entry.names, QString::fromLatin1(entry.description), entry.valueName);
        parser.addOption(options.back());
    }
    const QStringList kept = withoutWindowOptions(arguments);
    if (!parser.parse(kept))
        return failure(parser.errorText());

    const auto has = [&](const char* name) { return parser.isSet(QLatin1String(name)); };
    std::optional<language::Language> chosen;
    if (has("lang")) {
        chosen = language::languageNamed(parser.value(QStringLiteral("lang")));
        if (!chosen)
            return failure(QT_TRANSLATE_NOOP("Texts", "--lang takes ja or en"));
    }
    const QStringList beforeEnd = kept.mid(0, kept.indexOf(QStringLiteral("--")));
    if (has("help") ||
        (beforeEnd.size() > 1 && std::any_of(beforeEnd.begin() + 1, beforeEnd.end(),
                                             [](const QString& a) { return isWindowsHelp(a.toStdU16String()); }))) {
        Options o;
        o.language = chosen;
        o.mode = Mode::Help;
        o.message = helpText();
        return o;
    }
    if (has("version")) {
        Options o;
        o.mode = Mode::Version;
        o.message = QStringLiteral("%1 %2\n").arg(Program, QString::fromUtf8(hotaru::ProgramVersion));
        return o;
    }

    Options o;
    o.language = chosen;
    QStringList operands = parser.positionalArguments();
    {
        QStringList modes;
        for (const char* name : {"list", "extract", "put-back"})
            if (has(name))
                modes << QStringLiteral("--") + QLatin1String(name);
        if (modes.size() > 1)
            return failure(QT_TRANSLATE_NOOP("Texts", "%1 and %2 cannot be combined"), {modes[0], modes[1]});
    }
    if (has("max-seconds") && !has("put-back"))
        return failure(QT_TRANSLATE_NOOP("Texts", "--max-seconds goes with --put-back"));
    if (has("put-back"))
        return parsePutBack(parser, operands, start, chosen);
    if (!has("extract")) {
        for (const char* name : {"out", "avi", "mp4", "mkv", "scale", "converter", "name", "existing", "subtitles",
                                 "burn-subtitles", "checksums"}) {
            if (has(name))
                return failure(QT_TRANSLATE_NOOP("Texts", "--%1 goes with --extract"), {QLatin1String(name)});
        }
        if (operands.size() > 1)
            return failure(QT_TRANSLATE_NOOP("Texts", "one archive at most, not %1: %2"),
                           {QString::number(operands.size()), operands.join(QStringLiteral(", "))});
        o.mode = has("list") ? Mode::List : Mode::Window;
        o.archive = absolute(operands.value(0), start);
        return o;
    }

    o.mode = Mode::Extract;
    QStringList formats;  // every format option given, each a row's name
    for (const hotaru::OutputFormat& row : hotaru::OutputFormats) {
        const QString name = QString::fromLatin1(row.name.data(), static_cast<qsizetype>(row.name.size()));
        if (parser.isSet(name)) {
            formats << QStringLiteral("--") + name;
            o.format = row.format;
        }
    }
    if (formats.size() > 1)
        return failure(QT_TRANSLATE_NOOP("Texts", "%1 and %2 cannot be combined"), {formats[0], formats[1]});
    o.checksums = has("checksums");
    if (has("name")) {
        o.nameTemplate = parser.value(QStringLiteral("name"));
        const hotaru::NameTemplate naming(o.nameTemplate.toStdString());
        if (!naming.valid()) {
            Options refused;
            refused.mode = Mode::Error;
            refused.nameError = naming.check();
            refused.message = usageErrorText(refused);
            return refused;
        }
    }
    if (has("subtitles")) {
        o.subtitleFolder = absolute(parser.value(QStringLiteral("subtitles")), start);
        if (!QFileInfo(o.subtitleFolder).isDir())
            return failure(QT_TRANSLATE_NOOP("Texts", "--subtitles needs a folder, not %1"),
                           {parser.value(QStringLiteral("subtitles"))});
        if (!o.format || hotaru::outputFormat(*o.format).subtitles == hotaru::SubtitleTrack::None)
            return failure(QT_TRANSLATE_NOOP("Texts", "--subtitles goes with --mp4 or --mkv"));
    }
    o.burnSubtitles = has("burn-subtitles");
    if (o.burnSubtitles && o.subtitleFolder.isEmpty())
        return failure(QT_TRANSLATE_NOOP("Texts", "--burn-subtitles goes with --subtitles"));
    if (has("existing")) {
        const std::optional<hotaru::ExistingFiles> rule =
            hotaru::parseExistingFiles(parser.value(QStringLiteral("existing")).toStdString());
        if (!rule)
            return failure(QT_TRANSLATE_NOOP("Texts", "--existing takes overwrite, skip or rename, not %1"),
                           {parser.value(QStringLiteral("existing"))});
        o.existing = *rule;
    }
    if (has("converter") && !o.format)
        return failure(QT_TRANSLATE_NOOP("Texts", "--converter goes with --avi, --mp4 or --mkv"));
    if (has("scale")) {
        bool number = false;
        o.scale = parser.value(QStringLiteral("scale")).toInt(&number);
        if (!number || o.scale < hotaru::MinScale || o.scale > hotaru::MaxScale)
            return failure(QT_TRANSLATE_NOOP("Texts", "--scale takes a whole number from 1 to 4, not %1"),
                           {parser.value(QStringLiteral("scale"))});
        if (o.scale > 1 && !(o.format && hotaru::outputFormat(*o.format).scalable))
            return failure(QT_TRANSLATE_NOOP("Texts", "--scale goes with --mp4 or --mkv"));
    }
    if (has("out")) {
        o.outputFolder = absolute(parser.value(QStringLiteral("out")), start);
        if (o.outputFolder.isEmpty())
            return failure(QT_TRANSLATE_NOOP("Texts", "--out needs a folder"));
    } else {
        o.outputFolder = QDir::toNativeSeparators(start.absolutePath());
    }
    if (has("converter")) {
        o.converter = parser.value(QStringLiteral("converter"));
        if (o.converter.isEmpty())
            return failure(QT_TRANSLATE_NOOP("Texts", "--converter needs a program"));
        // A bare name is looked up on PATH when the run starts.
        if (isPathLike(o.converter))
            o.converter = absolute(o.converter, start);
    }
    if (!operands.isEmpty() && isArchiveOperand(operands.first(), start))
        o.archive = absolute(operands.takeFirst(), start);
    o.picks = operands;
    return o;
}

}  // namespace cli
