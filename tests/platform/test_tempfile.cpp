// The temporary beside a final file: its name, the hand-over, and what stays
// when it is never handed over.
#include "TempFile.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

using namespace hotaru;

using TempFileTest = ScratchDirTest;

TEST_F(TempFileTest, NothingReachesTheFinalNameBeforeCommit)
{
    const std::string final = file("movie.cpk");
    {
        TempFile temp(final);
        EXPECT_EQ(temp.path(), final + "~1.tmp");
        temp.write("abc", 3);
        EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk~1.tmp"}));
        temp.commit();
    }
    EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk"}));
    EXPECT_EQ(readFile(final), "abc");
}

TEST_F(TempFileTest, AnOlderFileStaysUntilTheNewOneIsComplete)
{
    const std::string final = file("movie.cpk");
    writeFile(final, "an older and longer copy");
    std::optional<TempFile> first(std::in_place, final);
    first->write("new", 3);
    {
        // Another writer of the same name meanwhile, which gives up.
        TempFile second(final);
        EXPECT_EQ(second.path(), final + "~2.tmp");
        second.write("lost", 4);
    }
    EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk", "movie.cpk~1.tmp"}));
    EXPECT_EQ(readFile(final), "an older and longer copy");
    first->commit();
    first.reset();
    EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk"}));
    EXPECT_EQ(readFile(final), "new");
}

TEST_F(TempFileTest, AReadOnlyFinalFileIsNeverReplaced)
{
    const std::string final = file("movie.cpk");
    writeFile(final, "precious");
    {
        const ModeScope readOnly(final, ReadOnlyFile);
        try {
            TempFile temp(final);
            ADD_FAILURE() << "a temporary for a read-only file";
        } catch (const EReadOnlyFile& e) {
            EXPECT_EQ(e.code(), 5);
            EXPECT_EQ(e.path(), final);
        }
    }
    // Marked read-only while the new copy was written: refused at the hand-over.
    {
        TempFile temp(final);
        temp.write("new", 3);
        const ModeScope readOnly(final, ReadOnlyFile);
        EXPECT_THROW(temp.commit(), EReadOnlyFile);
    }
    EXPECT_EQ(names(), (std::set<std::string>{"movie.cpk"}));
    EXPECT_EQ(readFile(final), "precious");
}

TEST_F(TempFileTest, FailuresNameTheFinalFile)
{
    const std::string final = file("no-such-folder/movie.cpk");
    try {
        TempFile temp(final);
        ADD_FAILURE() << "a temporary in a missing folder";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 3);
        EXPECT_EQ(e.path(), final);
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
    const std::string final = file(wide);
    {
        TempFile first(final);
        TempFile second(final);
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
    const std::string final = file("movie.avi");
    {
        TempFile temp(final);
        temp.commit();
    }
    removeActiveTempFile();
    EXPECT_EQ(names(), (std::set<std::string>{"movie.avi"}));
}
#endif
