#include "cli/CommandLine.h"

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
    QString description;
};

// One table gives both the parser's options and the help text.
const std::vector<OptionEntry>& optionEntries()
{
    static const std::vector<OptionEntry> entries{
        {{QStringLiteral("l"), QStringLiteral("list")},
         {},
         QStringLiteral("List the disc's movies: number, title, size.")},
        {{QStringLiteral("x"), QStringLiteral("extract")},
         {},
         QStringLiteral("Copy the named movies, or all, into <title>.cpk files.")},
        {{QStringLiteral("o"), QStringLiteral("out")},
         QStringLiteral("DIR"),
         QStringLiteral("Write into DIR instead of the current folder.")},
        {{QStringLiteral("avi")}, {}, QStringLiteral("Convert each copy into <title>.avi (Cinepak, PCM).")},
        {{QStringLiteral("mp4")},
         {},
         QStringLiteral("Convert each copy into <title>.mp4 (H.264, AAC), which browsers and phones play.")},
        {{QStringLiteral("converter")},
         QStringLiteral("PATH"),
         QStringLiteral("The converter (default: cpk2avi beside the program).")},
        {{QStringLiteral("h"), QStringLiteral("help")}, {}, QStringLiteral("Show this help and exit.")},
        {{QStringLiteral("version")}, {}, QStringLiteral("Show the version and exit.")},
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

QString helpText()
{
    QString text =
        QStringLiteral("Usage: %1 [ARCHIVE]\n"
                       "       %1 --list [ARCHIVE]\n"
                       "       %1 --extract [ARCHIVE] [--out DIR] [--avi|--mp4 [--converter PATH]] [N|TITLE ...]\n"
                       "\n"
                       "Copies the movies of the game's two CDs out of their archive, hotaru4, into\n"
                       "<title>.cpk files. Without --list or --extract it opens the window, with ARCHIVE\n"
                       "open when one is named. Without ARCHIVE the CD-ROM drives are searched.\n"
                       "Movies are named by number (N, as --list shows it) or by exact TITLE.\n"
                       "\n"
                       "Options:\n")
            .arg(Program);
    int width = 0;
    for (const OptionEntry& entry : optionEntries())
        width = std::max(width, static_cast<int>(optionColumn(entry).size()));
    for (const OptionEntry& entry : optionEntries())
        text += QStringLiteral("  %1  %2\n").arg(optionColumn(entry), -width).arg(entry.description);
    text += QStringLiteral("\n"
                           "Exit status: 0 when everything asked for was done, 1 when something failed,\n"
                           "2 for bad usage or a movie the disc does not have, 130 when interrupted.\n");
    return text;
}

Options failure(const QString& text)
{
    Options o;
    o.mode = Mode::Error;
    o.message = QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(Program, text);
    return o;
}

// Qt's own options for the window (see QApplication and QGuiApplication).
// They reach QApplication unchanged; the parser must not reject them.
constexpr std::array QtValueOptions{"platform", "platformpluginpath", "platformtheme", "plugin",      "qwindowgeometry",
                                    "geometry", "qwindowtitle",       "title",         "qwindowicon", "icon",
                                    "style",    "stylesheet",         "session",       "display",     "name"};
constexpr std::array QtFlagOptions{"reverse", "widgetcount", "nograb", "dograb", "sync"};

template <std::size_t N>
bool among(const std::array<const char*, N>& names, const QString& name)
{
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == QLatin1String(n); });
}

QStringList withoutWindowOptions(const QStringList& arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i == 0 || !a.startsWith(QLatin1Char('-')) || a == QStringLiteral("--")) {
            kept << a;
            if (a == QStringLiteral("--") && i > 0) {
                kept << arguments.mid(i + 1);
                break;
            }
            continue;
        }
        QString name = a.mid(a.startsWith(QStringLiteral("--")) ? 2 : 1);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0 && among(QtValueOptions, name.left(equals)))
            continue;
        if (among(QtValueOptions, name)) {
            ++i;  // and its value
            continue;
        }
        if (among(QtFlagOptions, name))
            continue;
        kept << a;
    }
    return kept;
}

// The first operand of --extract is the archive when it is a path: it holds a
// separator or, not being a movie number, names an existing file.
bool isArchiveOperand(const QString& operand)
{
    if (isPathLike(operand))
        return true;
    const bool number = !operand.isEmpty() && std::all_of(operand.begin(), operand.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    const QFileInfo info(operand);
    return !number && info.exists() && !info.isDir();
}

// Made absolute at once: the window later moves the current folder (a
// remembered output folder), and names typed by the user are relative to the
// folder the program was started in.
QString absolute(const QString& path)
{
    return path.isEmpty() ? path : QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
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

Options parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    std::vector<QCommandLineOption> options;
    for (const OptionEntry& entry : optionEntries()) {
        options.emplace_back(entry.names, entry.description, entry.valueName);
        parser.addOption(options.back());
    }
    if (!parser.parse(withoutWindowOptions(arguments)))
        return failure(parser.errorText());

    const auto has = [&](const char* name) { return parser.isSet(QLatin1String(name)); };
    if (has("help")) {
        Options o;
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
    QStringList operands = parser.positionalArguments();
    if (has("list") && has("extract"))
        return failure(QStringLiteral("--list and --extract cannot be combined"));
    if (!has("extract")) {
        for (const char* name : {"out", "avi", "mp4", "converter"}) {
            if (has(name))
                return failure(QStringLiteral("--%1 goes with --extract").arg(QLatin1String(name)));
        }
        if (operands.size() > 1)
            return failure(QStringLiteral("one archive at most, not %1: %2")
                               .arg(operands.size())
                               .arg(operands.join(QStringLiteral(", "))));
        o.mode = has("list") ? Mode::List : Mode::Window;
        o.archive = absolute(operands.value(0));
        return o;
    }

    o.mode = Mode::Extract;
    o.avi = has("avi");
    o.mp4 = has("mp4");
    if (o.avi && o.mp4)
        return failure(QStringLiteral("--avi and --mp4 cannot be combined"));
    if (has("converter") && !o.avi && !o.mp4)
        return failure(QStringLiteral("--converter goes with --avi or --mp4"));
    if (has("out")) {
        o.outputFolder = absolute(parser.value(QStringLiteral("out")));
        if (o.outputFolder.isEmpty())
            return failure(QStringLiteral("--out needs a folder"));
    }
    if (has("converter")) {
        o.converter = parser.value(QStringLiteral("converter"));
        if (o.converter.isEmpty())
            return failure(QStringLiteral("--converter needs a program"));
        // A bare name is looked up on PATH when the run starts.
        if (isPathLike(o.converter))
            o.converter = absolute(o.converter);
    }
    if (!operands.isEmpty() && isArchiveOperand(operands.first()))
        o.archive = absolute(operands.takeFirst());
    o.picks = operands;
    return o;
}

}  // namespace cli
