// --list, --extract and --put-back: the window's core run without a window.
#include "cli/CommandLine.h"
#include "cli/FailureText.h"
#include "cli/InterruptGuard.h"
#include "cli/Terminal.h"

#include "catalogue/Archive.h"
#include "catalogue/Catalogue.h"
#include "catalogue/Discovery.h"
#include "config/ProgramInfo.h"
#include "disc/ImageError.h"
#include "extract/Checksums.h"
#include "extract/Converter.h"
#include "extract/MovieExtraction.h"
#include "extract/RunArchive.h"
#include "extract/RunProgress.h"
#include "language/Failures.h"
#include "language/Language.h"
#include "language/PutBackTexts.h"
#include "language/Translations.h"
#include "movie/FilmHeader.h"
#include "movie/SubtitleFile.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/InOutError.h"
#include "remake/PutBack.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

namespace {

// A movie's title as the run's language shows it; the files keep the Japanese.
QString shownTitle(std::int32_t disc, std::int32_t movie)
{
    return language::movieTitle(language::installedLanguage(), disc, movie);
}

const QString Program = QString::fromUtf8(hotaru::ProgramName);

void complain(const QString& text) { write(stderr, QStringLiteral("%1: %2\n").arg(Program, text)); }

const auto stopRequested = &InterruptGuard::stopRequested;

// The named archive, or the one the window's drive scan finds. Headless there
// is nobody to ask for a retry.
std::optional<std::string> locateArchive(const QString& named)
{
    if (!named.isEmpty())
        return named.toStdString();
    const hotaru::Discovery found = hotaru::discoverArchive(*hotaru::makeSystemDriveProbe(), [] { return false; });
    switch (found.outcome) {
    case hotaru::DiscoveryOutcome::Found:
        return found.archivePath;
    case hotaru::DiscoveryOutcome::NoCdRom:
        complain(Texts::tr("no CD-ROM drive found; name the archive (e.g. /media/cdrom/%1)")
                     .arg(QLatin1String(hotaru::ArchiveFileName)));
        break;
    case hotaru::DiscoveryOutcome::GaveUp:
        complain(Texts::tr("no CD-ROM drive holds a disc with %1; insert a disc or name the archive")
                     .arg(QLatin1String(hotaru::ArchiveFileName)));
        break;
    }
    return std::nullopt;
}

struct OpenedArchive {
    std::string path;
    std::int32_t disc = 0;
    // Opened here and kept: a run reads every movie through it.
    std::unique_ptr<hotaru::RunArchive> archive;
};

std::optional<OpenedArchive> openArchive(const QString& named)
{
    const std::optional<std::string> path = locateArchive(named);
    if (!path)
        return std::nullopt;
    hotaru::ArchiveInfo info;
    auto archive = std::make_unique<hotaru::RunArchive>(*path);
    try {
        info.size = archive->size();
        info.disc = hotaru::discOfSize(info.size);
    } catch (const hotaru::EInOutError& e) {
        complain(Texts::tr("cannot open the archive: %1")
                     .arg(aboutFile(e.path().empty() ? *path : e.path(), language::ioText(e.code()))));
        return std::nullopt;
    } catch (const hotaru::disc::ImageError& e) {
        complain(Texts::tr("cannot open the archive: %1").arg(failureText(e)));
        return std::nullopt;
    }
    if (info.disc == 0) {
        // One arg() for all: a path may hold "%2" itself.
        complain(Texts::tr("%1 is %2 bytes, the size of neither disc's archive (disc 1: %3, disc 2: %4 bytes)")
                     .arg(fromUtf8(*path), QString::number(info.size), QString::number(hotaru::Disc1ArchiveSize),
                          QString::number(hotaru::Disc2ArchiveSize)));
        return std::nullopt;
    }
    return OpenedArchive{*path, info.disc, std::move(archive)};
}

// A movie's length from its FILM header, read through the opened archive;
// "-:--" when the header cannot be read or makes no sense. A damaged sector
// costs this movie its length, not the list.
QString movieLength(hotaru::RunArchive& archive, std::int32_t disc, std::int32_t movie)
{
    const std::int64_t offset = hotaru::movieOffset(disc, movie);
    std::optional<hotaru::FilmInfo> info;
    try {
        info = hotaru::readFilmHeader(
            [&](std::int64_t at, void* buffer, std::size_t n) { archive.read(offset + at, buffer, n); },
            hotaru::movieSize(disc, movie));
    } catch (const hotaru::EInOutError&) {
    } catch (const hotaru::disc::ImageError&) {
    }
    return QString::fromStdString(hotaru::lengthText(info ? info->seconds() : 0));
}

int list(const Options& options)
{
    const std::optional<OpenedArchive> archive = openArchive(options.archive);
    if (!archive)
        return ExitFailure;
    const std::int32_t count = hotaru::movieCount(archive->disc);
    int titleWidth = 0;
    std::int32_t largest = 0;
    for (std::int32_t n = 1; n <= count; ++n) {
        titleWidth = std::max(titleWidth, displayWidth(shownTitle(archive->disc, n)));
        largest = std::max(largest, hotaru::movieSize(archive->disc, n));
    }
    const auto kib = [](std::int32_t bytes) { return (bytes + 1023) / 1024; };
    const auto bytesWidth = static_cast<int>(QString::number(largest).size());
    const auto kibWidth = static_cast<int>(QString::number(kib(largest)).size());

    QStringList lengths;
    int lengthWidth = 0;
    for (std::int32_t n = 1; n <= count; ++n) {
        lengths << movieLength(*archive->archive, archive->disc, n);
        lengthWidth = std::max(lengthWidth, static_cast<int>(lengths.back().size()));
    }

    QString text = Texts::tr("Disc %1: %2 (%3 movies)")
                       .arg(QString::number(archive->disc), fromUtf8(archive->path), QString::number(count)) +
                   u'\n';
    for (std::int32_t n = 1; n <= count; ++n) {
        const QString title = shownTitle(archive->disc, n);
        const std::int32_t size = hotaru::movieSize(archive->disc, n);
        text += Texts::tr("%1  %2%3  %4 bytes  %5 KiB  %6")
                    .arg(n, 2)
                    .arg(title, QString(titleWidth - displayWidth(title), QLatin1Char(' ')))
                    .arg(size, bytesWidth)
                    .arg(kib(size), kibWidth)
                    .arg(lengths[n - 1], lengthWidth) +
                u'\n';
    }
    write(stdout, text);
    return 0;
}

// A movie number or an exact title of the disc, in either language; 0 when it names none.
std::int32_t movieNamed(const QString& pick, std::int32_t disc)
{
    bool isNumber = false;
    const int number = pick.toInt(&isNumber);
    if (isNumber)
        return hotaru::isMovie(disc, number) ? number : 0;
    for (std::int32_t n = 1; n <= hotaru::movieCount(disc); ++n) {
        for (const language::Language l : {language::Language::Japanese, language::Language::English}) {
            if (language::movieTitle(l, disc, n) == pick)
                return n;
        }
    }
    return 0;
}

std::optional<std::vector<std::int32_t>> chooseMovies(const QStringList& picks, std::int32_t disc)
{
    std::vector<std::int32_t> movies;
    if (picks.isEmpty()) {
        for (std::int32_t n = 1; n <= hotaru::movieCount(disc); ++n)
            movies.push_back(n);
        return movies;
    }
    for (const QString& pick : picks) {
        const std::int32_t n = movieNamed(pick, disc);
        if (n == 0) {
            complain(Texts::tr("disc %1 has no movie \"%2\" (numbers 1 to %3, or a title as --list shows it)")
                         .arg(QString::number(disc), pick, QString::number(hotaru::movieCount(disc))));
            return std::nullopt;
        }
        // A movie named twice is copied once.
        if (std::find(movies.begin(), movies.end(), n) == movies.end())
            movies.push_back(n);
    }
    return movies;
}

// The folder as given, made absolute when the arguments were read.
std::optional<std::string> outputFolder(const QString& named)
{
    const QFileInfo info(named);
    if (!info.isDir()) {
        complain(info.exists() ? Texts::tr("the output folder %1 is not a folder").arg(named)
                               : Texts::tr("the output folder %1 does not exist").arg(named));
        return std::nullopt;
    }
    return hotaru::joinPath(named.toStdString(), std::string());
}

// The converter runs in the output folder, so its path must not be relative.
std::optional<std::string> converterPath(const QString& named)
{
    const QString programFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (named.isEmpty()) {
        const std::string bundled = hotaru::bundledConverter(programFolder.toStdString());
        if (!bundled.empty())
            return bundled;
    } else {
        const QString candidate = isPathLike(named) ? named : QStandardPaths::findExecutable(named);
        const QFileInfo info(candidate);
        if (!candidate.isEmpty() && info.isFile() && info.isExecutable())
            return QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath())).toStdString();
    }
    if (named.isEmpty())
        complain(Texts::tr("the converter %1 is not installed beside the program in %2; name one with "
                           "--converter PATH")
                     .arg(QLatin1String(hotaru::BundledConverterName), programFolder));
    else
        complain(Texts::tr("the converter %1 is not an executable file").arg(named));
    return std::nullopt;
}

int extract(const Options& options)
{
    const std::optional<OpenedArchive> archive = openArchive(options.archive);
    if (!archive)
        return ExitFailure;
    const std::optional<std::vector<std::int32_t>> movies = chooseMovies(options.picks, archive->disc);
    if (!movies)
        return ExitUsage;
    const std::optional<std::string> folder = outputFolder(options.outputFolder);
    if (!folder)
        return ExitFailure;
    std::optional<hotaru::ConversionChoice> conversion;
    if (options.format) {
        const std::optional<std::string> found = converterPath(options.converter);
        if (!found)
            return ExitFailure;
        conversion = hotaru::ConversionChoice{*found, *options.format, options.scale};
        if (!options.subtitleFolder.isEmpty())
            conversion->subtitleFolder = hotaru::joinPath(options.subtitleFolder.toStdString(), {});
        conversion->burnSubtitles = options.burnSubtitles;
    }

    const std::optional<std::int64_t> free = hotaru::freeSpace(*folder);
    if (const std::optional<std::int64_t> needed =
            hotaru::shortOfSpace(archive->disc, *movies, conversion.has_value(), free)) {
        complain(Texts::tr("%1: not enough free space: %2 KBytes needed, %3 KBytes free; nothing was written")
                     .arg(fromUtf8(*folder))
                     .arg(hotaru::kbytes(*needed))
                     .arg(hotaru::kbytes(*free)));
        return ExitFailure;
    }

    const InterruptGuard guard;
    const hotaru::RunSnapshot snapshot{
        archive->path,   archive->disc, *movies, nullptr, hotaru::NameTemplate(options.nameTemplate.toStdString()),
        options.existing};
    hotaru::OutputNames names(snapshot.existing,
                              [&](const std::string& file) { return hotaru::fileStamp(*folder + file).exists; });
    const int total = static_cast<int>(movies->size());
    hotaru::RunProgress counted(snapshot.disc, snapshot.movies, conversion.has_value());
    Progress progress(counted, total);
    QStringList failed;  // for the closing summary
    // The movie under way, for the messages.
    std::string cpk, video;
    bool converting = false;
    bool underWay = false;  // the movie was left unfinished by an interruption
    int k = 0;
    const auto paths = [&](const std::string& name) {
        cpk = *folder + hotaru::cpkName(name);
        video = conversion ? *folder + hotaru::videoName(name, conversion->format) : std::string();
    };
    const auto report = [&](const QString& text) {
        progress.finish();
        complain(text);
        failed << text;
    };
    const hotaru::RunResult result = hotaru::runAll(
        snapshot.movies, stopRequested,
        [&](std::int32_t n) {
            ++k;
            const std::optional<std::string> name =
                hotaru::claimName(snapshot, n, conversion ? std::optional(conversion->format) : std::nullopt, names);
            if (!name) {
                counted.startMovie(n);
                counted.endMovie(hotaru::MovieEnd::Skipped);
                progress.note(Texts::tr("%1: skipped, its files exist")
                                  .arg(fromUtf8(*folder + snapshot.naming.nameFor(snapshot.disc, n))));
                return hotaru::MovieEnd::Skipped;
            }
            paths(*name);
            converting = false;
            underWay = true;
            const QString title = shownTitle(snapshot.disc, n);
            hotaru::MovieHooks hooks;
            hooks.slice = [&] {
                counted.sliced(1);
                progress.copying(k, title);
                return !stopRequested();
            };
            hooks.retrying = [&](int) { progress.note(Texts::tr("%1: re-reading a sector that failed").arg(title)); };
            hooks.conversion = [&] {
                progress.written(cpk);
                return conversion;
            };
            hooks.converting = [&](const hotaru::Conversion&) {
                converting = true;
                progress.converting(k, title);
            };
            hooks.stopRequested = stopRequested;
            hooks.subtitlesUsable = [&](const std::string& path) {
                const auto read = hotaru::readSubtitles(path);
                const auto* problem = std::get_if<hotaru::SubtitleProblem>(&read);
                if (problem)
                    report(Texts::tr("%1: %2; %3 is made without them")
                               .arg(fromUtf8(path), language::subtitleText(*problem), fromUtf8(video)));
                return problem == nullptr;
            };
            counted.startMovie(n);
            progress.copying(k, title);
            hotaru::MovieEnd end = hotaru::MovieEnd::Stopped;
            try {
                end = hotaru::processMovie(snapshot, *archive->archive, n, *folder, hooks, *name);
            } catch (...) {
                counted.endMovie(hotaru::MovieEnd::Stopped);
                underWay = false;
                report(copyFailureText(hotaru::caughtFailure(n), cpk));
                throw;
            }
            counted.endMovie(end);
            if (const std::string kept =
                    hotaru::keptFileName(hotaru::movieTitle(snapshot.disc, n), end,
                                         conversion ? std::optional(conversion->format) : std::nullopt);
                options.checksums && !kept.empty()) {
                try {
                    hotaru::recordChecksums(*folder, {kept});
                } catch (const hotaru::EInOutError& e) {
                    report(failureText(e));
                }
            }
            // Ctrl+C reaches the converter too, which then fails rather than stops.
            const bool interruptedConversion = end == hotaru::MovieEnd::NotConverted && stopRequested();
            underWay = !hotaru::isDone(end) || interruptedConversion;
            if (end == hotaru::MovieEnd::Converted)
                progress.converted(video);
            else if (end == hotaru::MovieEnd::NotConverted && !interruptedConversion)
                report(Texts::tr("%1: %2 failed; %3 is kept")
                           .arg(fromUtf8(video), fromUtf8(conversion->converterPath), fromUtf8(cpk)));
            return end;
        },
        hotaru::OnFailure::GoOn);

    progress.finish();
    const int done = static_cast<int>(result.done.size());
    if (result.end == hotaru::RunEnd::Stopped || stopRequested()) {
        const QString undone = converting
                                   ? Texts::tr("%1 was not written, %2 is kept").arg(fromUtf8(video), fromUtf8(cpk))
                                   : Texts::tr("%1 was not written").arg(fromUtf8(cpk));
        complain(underWay ? Texts::tr("interrupted; %1").arg(undone)
                          : Texts::tr("interrupted after %1 of %2 movies").arg(done).arg(total));
        return ExitInterrupted;
    }
    if (failed.isEmpty()) {
        if (progress.terminal())
            write(stdout, (conversion ? Texts::tr("%1 movies converted in %2") : Texts::tr("%1 movies written in %2"))
                                  .arg(total)
                                  .arg(fromUtf8(*folder)) +
                              u'\n');
        return 0;
    }
    complain(Texts::tr("%1 of %2 movies failed:").arg(failed.size()).arg(total));
    for (const QString& line : failed)
        complain(QStringLiteral("  ") + line);
    return ExitFailure;
}

// One line rewritten in place on a terminal: what the put-back is doing and
// how far it is; nothing otherwise, the result says it all.
class PutBackLine {
public:
    void show(const hotaru::PutBackProgress& p)
    {
        if (!terminal_)
            return;
        const int percent = static_cast<int>(p.fraction * 100);
        if (p.stage == stage_ && p.step == step_ && p.attempt == attempt_ && percent == percent_)
            return;
        stage_ = p.stage;
        step_ = p.step;
        attempt_ = p.attempt;
        percent_ = percent;
        QString text = language::putBackStageText(p) + QStringLiteral(" %1%").arg(percent);
        const int width = displayWidth(text);
        write(stdout, u'\r' + text + QString(std::max(0, shown_ - width), QLatin1Char(' ')));
        shown_ = width;
    }
    void finish()
    {
        if (shown_ > 0)
            write(stdout, QStringLiteral("\r%1\r").arg(QString(shown_, QLatin1Char(' '))));
        shown_ = 0;
    }

private:
    bool terminal_ = stdoutIsTerminal();
    hotaru::PutBackStage stage_{};
    hotaru::disc::CopyStep step_{};
    int attempt_ = -1;
    int percent_ = -1;
    int shown_ = 0;
};

int putBack(const Options& options)
{
    std::optional<OpenedArchive> archive = openArchive(options.archive);
    if (!archive)
        return ExitFailure;
    const std::int32_t movie = movieNamed(options.putBackMovie, archive->disc);
    if (movie == 0) {
        complain(Texts::tr("disc %1 has no movie \"%2\" (numbers 1 to %3, or a title as --list shows it)")
                     .arg(QString::number(archive->disc), options.putBackMovie,
                          QString::number(hotaru::movieCount(archive->disc))));
        return ExitUsage;
    }
    if (!QFileInfo(options.putBackFile).isFile()) {
        complain(aboutFile(options.putBackFile.toStdString(), language::ioText(hotaru::io::FileNotFound)));
        return ExitFailure;
    }
    const std::optional<std::string> folder = outputFolder(options.outputFolder);
    if (!folder)
        return ExitFailure;

    const InterruptGuard guard;
    hotaru::PutBackRequest request;
    request.movie = movie;
    request.file = options.putBackFile.toStdString();
    request.folder = *folder;
    request.maxSeconds = options.maxSeconds;
    PutBackLine line;
    hotaru::PutBackEvents events;
    events.progress = [&](const hotaru::PutBackProgress& p) { line.show(p); };
    events.stopRequested = stopRequested;
    hotaru::PutBackResult result;
    try {
        result = hotaru::putBack(*archive->archive, request, events);
    } catch (...) {
        line.finish();
        const std::exception_ptr error = std::current_exception();
        if (stopRequested()) {
            complain(Texts::tr("interrupted; nothing was written in %1").arg(fromUtf8(*folder)));
            return ExitInterrupted;
        }
        complain(language::putBackFailureText(error));
        return ExitFailure;
    }
    line.finish();
    QString text =
        Texts::tr("Movie %1 (%2) is back at quality %3% (%4 of %5 bytes, tries: %6); the copy of "
                  "the disc:")
            .arg(QString::number(movie), shownTitle(archive->disc, movie), QString::number(result.quality),
                 QString::number(result.movieBytes), QString::number(result.budget), QString::number(result.attempts)) +
        u'\n';
    for (const std::string& file : result.copy.files)
        text += QStringLiteral("  ") + fromUtf8(file) + u'\n';
    write(stdout, text);
    if (result.copy.chdAsBinCue)
        complain(Texts::tr("no chdman was found, so the CHD was written as a BIN/CUE image"));
    return 0;
}

}  // namespace

int run(const Options& options)
{
    language::Translations translations;
    translations.use(options.language.value_or(language::systemLanguage()));
    switch (options.mode) {
    case Mode::Help:
        write(stdout, helpText());
        return 0;
    case Mode::Version:
        write(stdout, options.message);
        return 0;
    case Mode::Error:
        write(stderr, usageErrorText(options));
        return ExitUsage;
    case Mode::List:
        return list(options);
    case Mode::Extract:
        return extract(options);
    case Mode::PutBack:
        return putBack(options);
    case Mode::Window:
        break;
    }
    complain(Texts::tr("the window does not run from here"));
    return ExitUsage;
}

}  // namespace cli
