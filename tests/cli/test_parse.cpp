// parse() on its own, with no QCoreApplication, as main() calls it.
#include "ScratchDirTest.h"
#include "cli/CommandLine.h"
#include "cli/RunKind.h"
#include "config/ProgramInfo.h"
#include "remake/MovieRemake.h"

#include "platform/File.h"

#include <gtest/gtest.h>

#include <QDir>

#include <fstream>

namespace {

QStringList args(std::initializer_list<const char*> words)
{
    QStringList list{QStringLiteral("hotaru-movie-cutter")};
    for (const char* w : words)
        list << QString::fromUtf8(w);
    return list;
}

std::string text(const QString& s) { return s.toStdString(); }

// As main() calls it: started in the current folder.
cli::Options parseHere(const QStringList& arguments) { return cli::parse(arguments, QDir::currentPath()); }

// A path as parse() gives it back: absolute, against the current folder.
std::string resolved(const char* path)
{
    return text(QDir::toNativeSeparators(QDir::current().absoluteFilePath(QString::fromUtf8(path))));
}

}  // namespace

TEST(CommandLineParse, ModesAndTheirOperands)
{
    using cli::Mode;
    {
        const cli::Options o = parseHere(args({}));
        EXPECT_EQ(o.mode, Mode::Window);
        EXPECT_TRUE(o.archive.isEmpty());
    }
    {
        const cli::Options o = parseHere(args({"/media/cdrom/hotaru4"}));
        EXPECT_EQ(o.mode, Mode::Window);
        EXPECT_EQ(text(o.archive), resolved("/media/cdrom/hotaru4"));
    }
    {
        const cli::Options o = parseHere(args({"-l", "d/hotaru4"}));
        EXPECT_EQ(o.mode, Mode::List);
        EXPECT_EQ(text(o.archive), resolved("d/hotaru4"));
    }
    {
        const cli::Options o = parseHere(args({"--list"}));
        EXPECT_EQ(o.mode, Mode::List);
        EXPECT_TRUE(o.archive.isEmpty());
    }
    {
        // Options may follow the operands; "--" lets a pick start with a dash.
        const cli::Options o = parseHere(
            args({"--extract", "/d/hotaru4", "3", "予告編", "--out", "o", "--avi", "--converter", "c", "--", "-7"}));
        EXPECT_EQ(o.mode, Mode::Extract);
        EXPECT_EQ(text(o.archive), resolved("/d/hotaru4"));
        EXPECT_EQ(text(o.outputFolder), resolved("o"));
        EXPECT_EQ(o.format, hotaru::VideoFormat::Avi);
        EXPECT_EQ(text(o.converter), "c");
        EXPECT_EQ(o.picks, (QStringList{QStringLiteral("3"), QStringLiteral("予告編"), QStringLiteral("-7")}));
    }
    {
        // With no path first, every operand is a movie and the drives are searched.
        const cli::Options o = parseHere(args({"-x", "1", "オープニング"}));
        EXPECT_EQ(o.mode, Mode::Extract);
        EXPECT_TRUE(o.archive.isEmpty());
        EXPECT_EQ(o.picks.size(), 2);
        EXPECT_FALSE(o.format);
        // Pinned when read: nothing later depends on where the process is.
        EXPECT_EQ(text(o.outputFolder), text(QDir::toNativeSeparators(QDir::currentPath())));
    }
    {
        const cli::Options o = parseHere(args({"-x", "--mp4", "--converter", "c"}));
        EXPECT_EQ(o.format, hotaru::VideoFormat::Mp4);
        EXPECT_EQ(text(o.converter), "c");
        EXPECT_EQ(o.scale, 1);
        const cli::Options mkv = parseHere(args({"-x", "--scale", "3", "--mkv"}));
        EXPECT_EQ(mkv.format, hotaru::VideoFormat::Mkv);
        EXPECT_EQ(mkv.scale, 3);
    }
    {
        const cli::Options o = parseHere(args({"--list", "--help"}));
        EXPECT_EQ(o.mode, Mode::Help);
        EXPECT_NE(text(o.message).find("--extract [ARCHIVE]"), std::string::npos);
    }
    {
        const cli::Options o = parseHere(args({"--version"}));
        EXPECT_EQ(o.mode, Mode::Version);
        EXPECT_EQ(text(o.message), std::string(hotaru::ProgramName) + " " + hotaru::ProgramVersion + "\n");
    }
}

TEST(CommandLineParse, PutBackTakesTheMovieTheFileAndTheArchive)
{
    const cli::Options o = parseHere(
        args({"--put-back", "オープニング", "subs/op.srt", "d/disc1.cue", "-o", "out", "--max-seconds", "90.5"}));
    ASSERT_EQ(o.mode, cli::Mode::PutBack) << text(o.message);
    EXPECT_EQ(text(o.putBackMovie), "オープニング");
    EXPECT_EQ(text(o.putBackFile), resolved("subs/op.srt"));
    EXPECT_EQ(text(o.archive), resolved("d/disc1.cue"));
    EXPECT_EQ(text(o.outputFolder), resolved("out"));
    EXPECT_DOUBLE_EQ(o.maxSeconds, 90.5);
    // Without an archive the drives are searched, and the limit is the default.
    const cli::Options drives = parseHere(args({"--put-back", "3", "new.mp4", "--out", "out"}));
    ASSERT_EQ(drives.mode, cli::Mode::PutBack) << text(drives.message);
    EXPECT_TRUE(drives.archive.isEmpty());
    EXPECT_DOUBLE_EQ(drives.maxSeconds, hotaru::DefaultMaxSeconds);
}

TEST(CommandLineParse, UsageErrorsSayWhatIsWrong)
{
    const std::vector<std::pair<QStringList, std::string>> cases{
        {args({"--bogus"}), "bogus"},
        {args({"--out"}), "--out"},
        {args({"--list", "--extract"}), "cannot be combined"},
        {args({"--out", "o"}), "--out goes with --extract"},
        {args({"--avi", "a/hotaru4"}), "--avi goes with --extract"},
        {args({"-x", "--converter", "c"}), "--converter goes with --avi, --mp4 or --mkv"},
        {args({"-x", "--mkv", "--avi"}), "--avi and --mkv cannot be combined"},
        {args({"-x", "--avi", "--scale", "2"}), "--scale goes with --mp4 or --mkv"},
        {args({"-x", "--scale", "3"}), "--scale goes with --mp4 or --mkv"},
        {args({"-x", "--mp4", "--scale", "5"}), "--scale takes a whole number from 1 to 4, not 5"},
        {args({"-x", "--mkv", "--scale", "two"}), "not two"},
        {args({"--scale", "2"}), "--scale goes with --extract"},
        {args({"-x", "--avi", "--mp4"}), "--avi and --mp4 cannot be combined"},
        {args({"--mp4"}), "--mp4 goes with --extract"},
        {args({"-x", "--out", ""}), "--out needs a folder"},
        {args({"a/hotaru4", "b/hotaru4"}), "one archive at most"},
        {args({"--list", "a/hotaru4", "3"}), "one archive at most"},
        {args({"--put-back", "3", "a.srt"}), "--put-back needs --out DIR"},
        {args({"--put-back", "3", "-o", "d"}), "--put-back needs the FILE"},
        {args({"--put-back", "3", "a.srt", "b.cue", "c", "-o", "d"}), "at most one archive"},
        {args({"--put-back", "3", "a.srt", "-x", "-o", "d"}), "--extract and --put-back cannot be combined"},
        {args({"--put-back", "3", "a.srt", "--mkv", "-o", "d"}), "--mkv goes with --extract"},
        {args({"-x", "--max-seconds", "9"}), "--max-seconds goes with --put-back"},
        {args({"--put-back", "3", "a.srt", "-o", "d", "--max-seconds", "0"}), "not 0"},
        {args({"--put-back", "3", "a.srt", "-o", "d", "--max-seconds", "ten"}), "not ten"},
    };
    for (const auto& [arguments, expected] : cases) {
        const cli::Options o = parseHere(arguments);
        EXPECT_EQ(o.mode, cli::Mode::Error) << text(arguments.join(QLatin1Char(' ')));
        EXPECT_NE(text(o.message).find(expected), std::string::npos) << text(o.message);
        EXPECT_NE(text(o.message).find("--help"), std::string::npos) << text(o.message);
    }
}

TEST(CommandLineParse, LeavesQtWindowOptionsToTheWindow)
{
    const cli::Options o =
        parseHere(args({"-style", "fusion", "--platform", "xcb", "-reverse", "-stylesheet=s.qss", "a/hotaru4"}));
    EXPECT_EQ(o.mode, cli::Mode::Window) << text(o.message);
    EXPECT_EQ(text(o.archive), resolved("a/hotaru4"));
    // Qt's -name with one dash; --name with two is the naming template.
    EXPECT_EQ(parseHere(args({"-name", "hotaru", "a/hotaru4"})).mode, cli::Mode::Window);
    const cli::Options named = parseHere(args({"-x", "--name", "{n:02} {title}", "--existing", "rename"}));
    EXPECT_EQ(text(named.nameTemplate), "{n:02} {title}");
    EXPECT_EQ(named.existing, hotaru::ExistingFiles::Rename);
}

// The Windows console launcher waits for every run but the window's, by the
// rule the parser follows: the two never disagree.
TEST(CommandLineParse, TheLaunchersRuleIsTheParsers)
{
    const std::vector<std::vector<const char*>> lines{
        {},
        {"a/hotaru4"},
        {"-style", "fusion"},
        {"-style=fusion", "-reverse", "a/hotaru4"},
        {"--platform", "offscreen", "-l"},
        {"/?"},
        {"-l"},
        {"--extract", "1"},
        {"-x"},
        {"--no-such-option"},
        {"a", "b"},
        {"--", "-x"},
        {"--", "/?"},
        {"-name", "hotaru"},
        {"--name", "{n}"},
        {"-"},
        {"-style"},
    };
    for (const std::vector<const char*>& line : lines) {
        QStringList q{QStringLiteral("hotaru-movie-cutter")};
        std::vector<std::wstring> wide{L"hotaru-movie-cutter"};
        std::string shown;
        for (const char* w : line) {
            q << QString::fromUtf8(w);
            wide.push_back(QString::fromUtf8(w).toStdWString());
            shown += std::string(w) + " ";
        }
        const cli::Options o = parseHere(q);
        EXPECT_EQ(o.mode == cli::Mode::Window, cli::opensWindow(wide)) << shown << text(o.message);
    }
    EXPECT_EQ(parseHere(args({"/?"})).mode, cli::Mode::Help);
    EXPECT_EQ(parseHere(args({"-style", "fusion"})).mode, cli::Mode::Window);
    EXPECT_EQ(parseHere(args({"a", "b"})).mode, cli::Mode::Error);
    const cli::Options dash = parseHere(args({"--", "-x"}));
    EXPECT_EQ(dash.mode, cli::Mode::Window);
    EXPECT_EQ(text(dash.archive), resolved("-x"));
}

// Which bare operand is the archive depends on the current folder.
class ArchiveOperand : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        saved_ = hotaru::currentDirectory();
        hotaru::setCurrentDirectory(dir.string());
    }
    void TearDown() override
    {
        hotaru::setCurrentDirectory(saved_);
        ScratchDirTest::TearDown();
    }

private:
    std::string saved_;
};

TEST_F(ArchiveOperand, IsAnExistingFileButNeverANumberOrAFolder)
{
    std::ofstream("hotaru4") << "x";
    std::ofstream("7") << "x";
    std::filesystem::create_directory("予告編");

    cli::Options o = parseHere(args({"-x", "hotaru4", "7"}));
    EXPECT_EQ(text(o.archive), resolved("hotaru4"));
    EXPECT_EQ(o.picks, QStringList{QStringLiteral("7")});

    o = parseHere(args({"-x", "7", "予告編"}));
    EXPECT_TRUE(o.archive.isEmpty());
    EXPECT_EQ(o.picks.size(), 2);

    o = parseHere(args({"-x", "予告編"}));
    EXPECT_TRUE(o.archive.isEmpty());

    o = parseHere(args({"-x", "missing/hotaru4"}));
    EXPECT_EQ(text(o.archive), resolved("missing/hotaru4"));
}

// Typed paths name files relative to where the program started, in the
// system's own spelling; a bare converter name is left for the PATH lookup.
TEST_F(ArchiveOperand, PathsAreResolvedWhereTheProgramStarted)
{
    cli::Options o = parseHere(args({"-x", "hotaru4-copy/hotaru4", "--out", "out", "--avi", "--converter", "cpk2avi"}));
    EXPECT_EQ(text(o.archive), resolved("hotaru4-copy/hotaru4"));
    EXPECT_EQ(text(o.outputFolder), resolved("out"));
    EXPECT_EQ(text(o.converter), "cpk2avi");
    o = parseHere(args({"-x", "--avi", "--converter", "tools/cpk2avi"}));
    EXPECT_EQ(text(o.converter), resolved("tools/cpk2avi"));
#ifdef _WIN32
    // Backslashes and drive letters are paths too: never a title, never looked up on PATH.
    o = parseHere(args({"-x", "D:\\hotaru4", "--avi", "--converter", "tools\\cpk2avi.exe"}));
    EXPECT_EQ(text(o.archive), "D:\\hotaru4");
    EXPECT_TRUE(o.picks.isEmpty());
    EXPECT_EQ(text(o.converter), resolved("tools\\cpk2avi.exe"));
    EXPECT_TRUE(cli::isPathLike(QStringLiteral("D:hotaru4")));
#else
    EXPECT_FALSE(cli::isPathLike(QStringLiteral("D:\\hotaru4")));
#endif
}

TEST(CommandLineParse, ResolvesAgainstTheStartFolderGivenNotWhereTheProcessIs)
{
    const QString start = QDir::toNativeSeparators(QDir::rootPath() + QStringLiteral("started/here"));
    const auto in = [&](const char* path) {
        return text(QDir::toNativeSeparators(QDir(start).absoluteFilePath(QString::fromUtf8(path))));
    };
    cli::Options o = cli::parse(args({"-x", "d/hotaru4", "--out", "o", "3"}), start);
    EXPECT_EQ(text(o.archive), in("d/hotaru4"));
    EXPECT_EQ(text(o.outputFolder), in("o"));
    o = cli::parse(args({"-x", "3"}), start);
    EXPECT_EQ(text(o.outputFolder), text(start));
}
