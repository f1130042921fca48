#pragma once
// The command line: --list, --extract and --put-back run without a window,
// through the same core the window uses; anything else opens the window.

#include "catalogue/NameTemplate.h"
#include "catalogue/OutputFormats.h"
#include "extract/OutputNames.h"
#include "language/Language.h"
#include "remake/MovieRemake.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

enum class Mode { Window, List, Extract, PutBack, Help, Version, Error };

struct Options {
    Mode mode = Mode::Window;
    QString archive;       // empty: search the CD-ROM drives
    QString outputFolder;  // --extract: the current folder when none was named
    // What each copy is converted into (--avi, --mp4, --mkv); none: kept as .cpk.
    std::optional<hotaru::VideoFormat> format;
    int scale = 1;           // --scale, for the formats that may be enlarged
    bool checksums = false;  // --checksums: what is written goes into SHA256SUMS
    // --name: how the files are named; --existing: where a name is taken.
    QString nameTemplate = QString::fromUtf8(hotaru::NameTemplate::Default.data(),
                                             static_cast<qsizetype>(hotaru::NameTemplate::Default.size()));
    hotaru::ExistingFiles existing = hotaru::ExistingFiles::Overwrite;
    QString subtitleFolder;      // --subtitles: where "<name>.srt" or "<name>.ass" is looked for
    bool burnSubtitles = false;  // --burn-subtitles: drawn into the pictures
    QString converter;           // empty: cpk2avi beside the program
    QStringList picks;           // movie numbers or exact titles; empty: every movie
    // --put-back N FILE: the movie (a number or an exact title), the video or
    // subtitles it is re-made from, and the longest new movie accepted.
    QString putBackMovie;
    QString putBackFile;
    double maxSeconds = hotaru::DefaultMaxSeconds;
    // --lang: this start's language; none: the remembered or the system's.
    std::optional<language::Language> language;
    QString message;  // the help, version or error text, in English
    // A usage error as made: the English text (marked for translation) and
    // its arguments, or Qt's own words; shown in the run's language.
    const char* errorSource = nullptr;
    QStringList errorArgs;
    std::optional<hotaru::NameTemplateCheck> nameError;  // --name refused, worded when shown
    QString error;
};

// The help, and a usage error's message, in the language installed for the run.
QString helpText();
QString usageErrorText(const Options& options);

// True when the text names a file by a path rather than a bare name: it holds
// a separator (on Windows a backslash or a drive letter too).
bool isPathLike(const QString& text);

// Reads the arguments, the program's name first. Paths come back absolute,
// resolved against `startFolder`, the folder the program was started in; with
// --extract and no --out, that folder is the output folder. Needs no
// QCoreApplication.
// Qt's own window options (-style, -platform ...) are left to the window.
Options parse(const QStringList& arguments, const QString& startFolder);

// Carries out a mode other than Window and returns the exit status: 0 done,
// 1 failed, 2 bad usage or unknown movie, 130 interrupted. Needs a
// QCoreApplication for the program's own folder.
int run(const Options& options);

// Exit statuses.
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;
inline constexpr int ExitInterrupted = 130;

}  // namespace cli
