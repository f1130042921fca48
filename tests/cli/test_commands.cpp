// The real program's --list and --extract, run as a child process with no
// display, on stand-in archives.
#include "CommandLineRun.h"
#include "MovieReader.h"
#include "config/ProgramInfo.h"

#include "tools/SampleImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

// A stand-in's movies have no FILM header: their length is unknown.
TEST_F(CommandLineRun, ListsEachDiscWithTitlesAndSizes)
{
    for (const int disc : {1, 2}) {
        const std::string path = archive(disc);
        const ProgramOutcome r = cutter({"--list", path});
        ASSERT_EQ(r.status, 0) << r.err;
        std::istringstream lines(r.out);
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line, "Disc " + std::to_string(disc) + ": " + path + " (" + std::to_string(hotaru::movieCount(disc)) +
                            " movies)");
        int n = 0;
        std::size_t sizeEnds = 0;
        while (std::getline(lines, line)) {
            ++n;
            const std::string number = (n < 10 ? " " : "") + std::to_string(n) + "  ";
            EXPECT_EQ(line.rfind(number + englishTitle(disc, n), 0), 0u) << line;
            const std::string size = " " + std::to_string(hotaru::movieSize(disc, n)) + " bytes  ";
            EXPECT_TRUE(contains(line, size)) << line;
            EXPECT_TRUE(line.ends_with(" KiB  -:--")) << line;
            // The sizes line up on a terminal, where the titles' characters are wide.
            const std::size_t column = terminalWidth(line.substr(0, line.find(" bytes")));
            if (n == 1)
                sizeEnds = column;
            EXPECT_EQ(column, sizeEnds) << line;
        }
        EXPECT_EQ(n, hotaru::movieCount(disc));
    }
}

TEST_F(CommandLineRun, ListRefusesWhatIsNoArchive)
{
    const fs::path small = dir / "small%2";
    std::ofstream(small) << std::string(1000, 'x');
    ProgramOutcome r = cutter({"--list", small.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, small.string() + " is 1000 bytes")) << r.err;
    EXPECT_TRUE(r.out.empty());

    const std::string missing = (dir / "nowhere" / "hotaru4").string();
    r = cutter({"--list", missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, missing)) << r.err;

    // This machine's drives hold no disc of the game.
    r = cutter({"--list"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "CD-ROM")) << r.err;

    if (!runningAsRoot()) {
        const std::string path = archive(1);
        const ModeScope closed(path, fs::perms::none);
        r = cutter({"--list", path});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(contains(r.err, path)) << r.err;
    }
}

TEST_F(CommandLineRun, ExtractsEveryMovieOfDisc1ByteForByte)
{
    const std::string path = archive(1);
    const ProgramOutcome r = cutter({"--extract", path, "--out", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string expected;
    for (int n = 1; n <= hotaru::movieCount(1); ++n) {
        EXPECT_TRUE(copied(path, n)) << title(1, n);
        expected += "written " + file(n) + "\n";
    }
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(namesInOut().size(), static_cast<std::size_t>(hotaru::movieCount(1)));  // no temporaries
}

// A disc kept as an image reads as the disc; damage names the image and the
// movie, leaves no partial file and keeps an older copy.
TEST_F(CommandLineRun, ReadsTheMoviesStraightFromDiscImages)
{
    const std::string plain = archive(1);
    const std::string cue = (dir / "images" / "ホタル (Disc 1).cue").string();
    const std::string iso = (dir / "images" / "disc1.iso").string();
    fs::create_directories(dir / "images");
    hotaru::writeBinCue(plain, cue);
    hotaru::writeIsoImage(plain, iso);

    for (const std::string& image : {cue, iso}) {
        const ProgramOutcome r = cutter({"--list", image});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(contains(r.out, "Disc 1: " + image + " (31 movies)")) << r.out;
        const ProgramOutcome x = cutter({"--extract", image, "--out", out.string(), "13", "31"});
        ASSERT_EQ(x.status, 0) << x.err;
        EXPECT_TRUE(copied(plain, 13) && copied(plain, 31)) << image;
        fs::remove(file(13));
        fs::remove(file(31));
    }

    // The data track loses its end: refused before anything is written.
    const std::string track = hotaru::trackFileName(cue, 1);
    fs::resize_file(track, fs::file_size(track) - 10 * 2352);
    std::ofstream(file(31)) << "older copy";
    ProgramOutcome r = cutter({"--extract", cue, "--out", out.string(), "13", "31"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, track)) << r.err;
    EXPECT_EQ(readFile(file(31)), "older copy");
    EXPECT_EQ(namesInOut(), std::set<std::string>{title(1, 31) + ".cpk"});

    const std::string sheet = (dir / "images" / "gone.cue").string();
    std::ofstream(sheet) << "FILE \"gone (Track 1).bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n";
    const ProgramOutcome gone = cutter({"--list", sheet});
    EXPECT_EQ(gone.status, 1);
    EXPECT_TRUE(contains(gone.err, "gone (Track 1).bin")) << gone.err;
    EXPECT_TRUE(gone.out.empty());
}

TEST_F(CommandLineRun, ExtractsChosenMoviesInTheirOrderIntoTheCurrentFolder)
{
    const std::string path = archive(1);
    // By number and by title in either language; movie 29 named thrice is copied once.
    ProgramSetup inOut;
    inOut.workDir = out.string();
    ProgramOutcome r = cutter({"-x", path, "29", "4", title(1, 29), englishTitle(1, 29)}, inOut);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "written " + file(29) + "\nwritten " + file(4) + "\n");
    EXPECT_TRUE(copied(path, 29));
    EXPECT_TRUE(copied(path, 4));
    EXPECT_EQ(namesInOut().size(), 2u);

    // An unknown number or title stops everything before the first copy.
    for (const char* unknown : {"32", "0", "予告"}) {
        fs::remove_all(out);
        fs::create_directory(out);
        r = cutter({"-x", path, "-o", out.string(), "6", unknown});
        EXPECT_EQ(r.status, 2) << unknown;
        EXPECT_TRUE(contains(r.err, std::string("no movie \"") + unknown + "\"")) << r.err;
        EXPECT_TRUE(namesInOut().empty()) << unknown;
    }

    const std::string missing = (dir / "missing").string();
    r = cutter({"-x", path, "-o", missing, "6"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, missing)) << r.err;
    EXPECT_FALSE(fs::exists(missing));
}

// Names of the user's choosing: the fields filled in, characters Windows
// refuses replaced, two picks of one name kept apart, and the rule for a
// name that exists; a template that cannot work is refused before anything.
TEST_F(CommandLineRun, NamesFilesByTemplateAndRule)
{
    const std::string path = archive(1);
    const std::string dot = out.string() + "/";
    ProgramOutcome r = cutter({"-x", path, "-o", out.string(), "--name", "{n:02} {title_en}", "4"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string fourth = "04 " + englishTitle(1, 4);
    EXPECT_EQ(r.out, "written " + dot + fourth + ".cpk\n");
    EXPECT_TRUE(sameAsRange(dot + fourth + ".cpk", path, hotaru::movieOffset(1, 4), hotaru::movieSize(1, 4)));

    // One name for two picks in one run: the second is kept apart.
    r = cutter({"-x", path, "-o", out.string(), "--name", "disc{disc}", "4", "6"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "written " + dot + "disc1.cpk\nwritten " + dot + "disc1 (2).cpk\n");

    // Again: rename writes beside them, skip leaves them, overwrite replaces.
    r = cutter({"-x", path, "-o", out.string(), "--name", "disc{disc}", "--existing", "rename", "4"});
    EXPECT_EQ(r.out, "written " + dot + "disc1 (3).cpk\n");
    r = cutter({"-x", path, "-o", out.string(), "--name", "disc{disc}", "--existing", "skip", "4"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("disc1: skipped, its files exist"), std::string::npos) << r.err;
    const std::set<std::string> before = namesInOut();
    r = cutter({"-x", path, "-o", out.string(), "--name", "disc{disc}", "6"});
    EXPECT_EQ(r.out, "written " + dot + "disc1.cpk\n");
    EXPECT_EQ(namesInOut(), before);
    EXPECT_TRUE(sameAsRange(dot + "disc1.cpk", path, hotaru::movieOffset(1, 6), hotaru::movieSize(1, 6)));

    for (const auto& [name, reason] :
         std::vector<std::pair<std::string, std::string>>{{"{titel}", "there is no field {titel}"},
                                                          {"{n", "is never closed"},
                                                          {"../{title}", "a file name cannot hold /"},
                                                          {"{title}/x", "a file name cannot hold /"},
                                                          {"..", "comes out as '..', outside the output folder"}}) {
        r = cutter({"-x", path, "-o", out.string(), "--name", name, "4"});
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_EQ(r.err.rfind("hotaru-movie-cutter: --name: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    }
    r = cutter({"-x", path, "-o", out.string(), "--existing", "keep", "4"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(namesInOut(), before);
}

TEST_F(CommandLineRun, AMovieThatFailsIsReportedAndTheBatchGoesOn)
{
    const std::string path = archive(1);
    fs::create_directory(file(7));
    const ProgramOutcome r = cutter({"-x", path, "-o", out.string(), "4", "7", "6"});
    EXPECT_EQ(r.status, 1);
    // Named as it happens, then once more in the closing summary.
    const std::string failure = file(7) + ": ";
    const auto first = r.err.find(failure);
    ASSERT_NE(first, std::string::npos) << r.err;
    EXPECT_NE(r.err.find(failure, first + 1), std::string::npos) << r.err;
    EXPECT_TRUE(contains(r.err, "1 of 3 movies failed:")) << r.err;
    EXPECT_EQ(r.out, "written " + file(4) + "\nwritten " + file(6) + "\n");
    EXPECT_TRUE(copied(path, 4));
    EXPECT_TRUE(copied(path, 6));
    EXPECT_TRUE(fs::is_directory(file(7)));
    EXPECT_EQ(namesInOut(), (std::set<std::string>{title(1, 4) + ".cpk", title(1, 6) + ".cpk", title(1, 7) + ".cpk"}));
}

TEST_F(CommandLineRun, FullDiskKeepsTheOlderFileAndTheMoviesBefore)
{
    const std::string path = archive(1);
    std::ofstream(file(1)) << "older";
    // Movies 4 and 6 fit under the cap, movie 1 does not.
    ProgramSetup capped;
    capped.fileSizeCap = 5'000'000;
    // SIGXFSZ as a shell leaves it: the write fails, the process is not killed.
    const ProgramOutcome r = cutter({"-x", path, "-o", out.string(), "4", "6", "1"}, capped);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, file(1) + ": disk full")) << r.err;
    EXPECT_TRUE(copied(path, 4));
    EXPECT_TRUE(copied(path, 6));
    EXPECT_EQ(slurp(file(1)), "older");
    EXPECT_EQ(namesInOut().size(), 3u);
}

TEST_F(CommandLineRun, ShowsOneProgressLineOnATerminal)
{
    const std::string path = archive(1);
    ProgramSetup terminal;
    terminal.terminal = true;
    const ProgramOutcome r = cutter({"-x", path, "-o", out.string(), "4", "6"}, terminal);
    ASSERT_EQ(r.status, 0) << r.err;
    // The run's bytes over both movies follow the movie's share.
    const auto mb = [](std::int64_t bytes) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
        return std::string(text);
    };
    const std::int64_t first = hotaru::movieSize(1, 4), both = first + hotaru::movieSize(1, 6);
    EXPECT_TRUE(
        contains(r.out, "\r\x1b[K[1/2] " + englishTitle(1, 4) + "  100%  " + mb(first) + "/" + mb(both) + " MB"))
        << r.out;
    EXPECT_TRUE(contains(r.out, "\r\x1b[K[2/2] " + englishTitle(1, 6) + "   50%  " +
                                    mb(first + std::int64_t{hotaru::movieSize(1, 6)} * 50 / 100) + "/" + mb(both) +
                                    " MB"))
        << r.out;
    EXPECT_TRUE(contains(r.out, "2 movies written in ")) << r.out;
    EXPECT_FALSE(contains(r.out, "written " + file(4))) << r.out;
    EXPECT_TRUE(copied(path, 4));
    EXPECT_TRUE(copied(path, 6));
}

TEST(CommandLineProgram, AnswersHelpVersionAndBadUsage)
{
    ProgramOutcome r = runProgram({HOTARU_PROGRAM, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "Usage: hotaru-movie-cutter")) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;

    r = runProgram({HOTARU_PROGRAM, "--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(hotaru::ProgramName) + " " + hotaru::ProgramVersion + "\n");

    r = runProgram({HOTARU_PROGRAM, "--extract", "--frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "frobnicate")) << r.err;
    EXPECT_TRUE(r.out.empty());
}

// On a Japanese system the help, the usage errors and the listing speak
// Japanese; the window's texts are no part of this.
TEST_F(CommandLineRun, SpeaksJapaneseOnAJapaneseSystem)
{
    ProgramSetup japanese;
    japanese.locale = "ja_JP.UTF-8";
    ProgramOutcome r = runProgram({HOTARU_PROGRAM, "--help"}, japanese);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "使い方: hotaru-movie-cutter [ARCHIVE]")) << r.out;
    EXPECT_TRUE(contains(r.out, "終了コード")) << r.out;
    EXPECT_FALSE(contains(r.out, "Exit status")) << r.out;

    r = runProgram({HOTARU_PROGRAM, "-x", "--avi", "--mp4"}, japanese);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "hotaru-movie-cutter: --avi と --mp4 は同時に使えません\n"
                     "詳しくは 'hotaru-movie-cutter --help' を見てください。\n");

    const std::string path = archive(2);
    r = runProgram({HOTARU_PROGRAM, "--list", path}, japanese);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "ディスク 2: " + path)) << r.out;
    EXPECT_TRUE(contains(r.out, " 1  " + title(2, 1) + "  ")) << r.out;
    EXPECT_TRUE(contains(r.out, " バイト  ")) << r.out;
    EXPECT_TRUE(contains(r.out, " KiB  -:--\n")) << r.out;
    r = runProgram({HOTARU_PROGRAM, "-x", path, "99"}, japanese);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "ディスク 2 にムービー「99」はありません")) << r.err;
}

// The system's language decides, Japanese only where it is the user's;
// --lang overrides it for one start, and takes ja or en alone.
TEST(CommandLineProgram, SpeaksTheChosenLanguageOrElseTheSystems)
{
    const auto help = [](const std::string& locale, std::vector<std::string> extra = {}) {
        ProgramSetup setup;
        setup.locale = locale;
        std::vector<std::string> args{HOTARU_PROGRAM};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back("--help");
        return runProgram(args, setup);
    };
    for (const char* locale : {"de_DE.UTF-8", "fr_FR.UTF-8", "C", "en_GB.UTF-8"}) {
        const ProgramOutcome r = help(locale);
        EXPECT_TRUE(contains(r.out, "Usage: hotaru-movie-cutter")) << locale << r.out;
        EXPECT_TRUE(contains(r.out, "--lang ja|en")) << r.out;
        EXPECT_TRUE(contains(r.out, "number, title, size and length")) << r.out;
    }
    EXPECT_TRUE(contains(help("ja_JP.UTF-8").out, "使い方: hotaru-movie-cutter"));
    EXPECT_TRUE(contains(help("ja_JP.UTF-8", {"--lang", "en"}).out, "Usage: hotaru-movie-cutter"));
    const ProgramOutcome japanese = help("C", {"--lang", "ja"});
    EXPECT_TRUE(contains(japanese.out, "使い方: hotaru-movie-cutter")) << japanese.out;
    EXPECT_TRUE(contains(japanese.out, "(番号、題名、大きさ、長さ)")) << japanese.out;

    const ProgramOutcome wrong = runProgram({HOTARU_PROGRAM, "--lang", "de", "--list"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(contains(wrong.err, "--lang takes ja or en")) << wrong.err;
}
