// The temporary beside a final file: its name, the hand-over, and what stays
// when it is never handed over.
#include "platform/TempFile.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

using namespace hotaru;

using TempFileTest = ScratchDirTest;

TEST_F(TempFileTest, NothingReachesTheFinalNameBeforeCommit)
{
    const std::string target = file("movie.cpk");
    {
        TempFile temp(target);
        EXPECT_EQ(temp.path(), target + "~1.tmp");
        temp.write("abc", 3);
        EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk~1.tmp"}));
        temp.commit();
    }
    EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk"}));
    EXPECT_EQ(readFile(target), "abc");
}

TEST_F(TempFileTest, AnOlderFileStaysUntilTheNewOneIsComplete)
{
    const std::string target = file("movie.cpk");
    writeFile(target, "an older and longer copy");
    std::optional<TempFile> first(std::in_place, target);
    first->write("new", 3);
    {
        // Another writer of the same name meanwhile, which gives up.
        TempFile second(target);
        EXPECT_EQ(second.path(), target + "~2.tmp");
        second.write("lost", 4);
    }
    EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk", "movie.cpk~1.tmp"}));
    EXPECT_EQ(readFile(target), "an older and longer copy");
    first->commit();
    first.reset();
    EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk"}));
    EXPECT_EQ(readFile(target), "new");
}

TEST_F(TempFileTest, AReadOnlyFinalFileIsNeverReplaced)
{
    const std::string target = file("movie.cpk");
    writeFile(target, "precious");
    {
        const ModeScope readOnly(fsPath(target), ReadOnlyFile);
        try {
            TempFile temp(target);
            ADD_FAILURE() << "a temporary for a read-only file";
        } catch (const EReadOnlyFile& e) {
            EXPECT_EQ(e.code(), 5);
            EXPECT_EQ(e.path(), target);
        }
    }
    // Marked read-only while the new copy was written: refused at the hand-over.
    {
        TempFile temp(target);
        temp.write("new", 3);
        const ModeScope readOnly(fsPath(target), ReadOnlyFile);
        EXPECT_THROW(temp.commit(), EReadOnlyFile);
    }
    EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk"}));
    EXPECT_EQ(readFile(target), "precious");
}

TEST_F(TempFileTest, FailuresNameTheFinalFile)
{
    const std::string target = file("no-such-folder/movie.cpk");
    try {
        TempFile temp(target);
        ADD_FAILURE() << "a temporary in a missing folder";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 3);
        EXPECT_EQ(e.path(), target);
        EXPECT_NE(e.systemError(), 0);
    }
}

#ifndef _WIN32
TEST_F(TempFileTest, LongNamesAreCutBetweenCharactersAndStayUnique)
{
    std::string wide = "a";
    while (wide.size() + 3 + 4 <= NAME_MAX)
        wide += "\xE5\x8B\x95";  // U+52D5, three bytes
    wide += ".avi";
    const std::string target = file(wide);
    {
        TempFile first(target);
        TempFile second(target);
        EXPECT_NE(first.path(), second.path());
        for (const std::string& temp : {first.path(), second.path()}) {
            const std::string name = utf8Path(fsPath(temp).filename());
            EXPECT_LE(name.size(), std::size_t{NAME_MAX});
            const std::string kept = name.substr(0, name.rfind('~'));
            EXPECT_EQ(wide.rfind(kept, 0), 0u) << name;
            EXPECT_NE(static_cast<unsigned char>(wide.at(kept.size())) & 0xC0, 0x80) << name;
        }
        EXPECT_EQ(names().size(), 2u);
        // What a stop signal's handler does: the temporary made last goes.
        removeActiveTempFile();
        EXPECT_EQ(names(), (std::set<std::string>{utf8Path(fsPath(first.path()).filename())}));
    }
    EXPECT_TRUE(names().empty());
}

TEST_F(TempFileTest, AStopSignalRemovesNothingOnceTheFileIsHandedOver)
{
    const std::string target = file("movie.avi");
    {
        TempFile temp(target);
        temp.commit();
    }
    removeActiveTempFile();
    EXPECT_EQ(names(), (std::set<std::string>{"movie.avi"}));
}
#endif
