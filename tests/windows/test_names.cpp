// Japanese names on the wide API. ソ and 表 end in byte 0x5C in Shift-JIS, the
// backslash: any detour through the ANSI code page would split them as paths.
#include "catalogue/Catalogue.h"
#include "extract/CopyRange.h"
#include "platform/File.h"
#include "platform/Utf16.h"
#include "tools/SampleArchive.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace hotaru;

namespace {

class JapaneseNames : public ScratchDirTest {
protected:
    JapaneseNames() : ScratchDirTest("ホタル 名前") {}

    std::string folder;
    void SetUp() override
    {
        // The hazard of those bytes exists only where the ANSI code page is Shift-JIS.
        ASSERT_EQ(GetACP(), 932u) << "run-suite.sh runs the suite with a Japanese locale";
        ScratchDirTest::SetUp();
        folder = file("出力 フォルダ 表");
        ASSERT_TRUE(CreateDirectoryW(widen(folder).c_str(), nullptr));
    }
};

// Through the core's own file calls, which must reach exactly the name given.
void writeThroughCore(const std::string& path, const std::string& bytes)
{
    File f = File::createNew(path);
    f.writeExact(bytes.data(), bytes.size());
    f.close();
}

std::string readThroughCore(const std::string& path)
{
    File f = File::openRead(path);
    std::string bytes(static_cast<std::size_t>(f.size()), '\0');
    f.readExact(bytes.data(), bytes.size());
    return bytes;
}

}  // namespace

TEST_F(JapaneseNames, MovieIsWrittenFoundAndDeletedUnderItsOwnName)
{
    // Disc 1, movie 6 is "ソナタの調べ": the catalogue's own title.
    const std::string title(movieTitle(1, 6));
    ASSERT_EQ(title, "ソナタの調べ");
    const std::string archive = joinPath(folder, "hotaru4");
    writeSampleArchive(archive, 1);
    ASSERT_TRUE(isRegularFile(archive));

    const std::string out = joinPath(folder, title + ".cpk");
    ASSERT_EQ(copyRange({archive, movieOffset(1, 6), movieSize(1, 6), out}), CopyOutcome::Written);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"hotaru4", "ソナタの調べ.cpk"}));
    EXPECT_TRUE(isRegularFile(out));
    const FileStamp stamp = fileStamp(out);
    EXPECT_TRUE(stamp.exists);
    EXPECT_EQ(stamp.size, movieSize(1, 6));
    const std::string header = sampleHeader(1, 6);
    EXPECT_EQ(readThroughCore(out).substr(0, header.size()), header);

    EXPECT_TRUE(removeFile(out));
    EXPECT_FALSE(isRegularFile(out));
    EXPECT_FALSE(fileStamp(out).exists);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"hotaru4"}));
}

TEST_F(JapaneseNames, EveryTitleWithATrailBackslashByteMakesAFile)
{
    // 表通りの決闘, 予告編, 十六夜の庭, 能舞台の幻 and the rest of that kind.
    std::set<std::string> expected;
    for (std::int32_t v = 1; v <= 2; ++v) {
        for (std::int32_t m = 1; m <= movieCount(v); ++m) {
            const std::string name = std::string(movieTitle(v, m)) + ".cpk";
            writeThroughCore(joinPath(folder, name), name);
            expected.insert(name);
        }
    }
    EXPECT_EQ(namesIn(folder), expected);
    for (const std::string& name : expected) {
        EXPECT_EQ(readThroughCore(joinPath(folder, name)), name);
        EXPECT_TRUE(removeFile(joinPath(folder, name))) << name;
    }
    EXPECT_TRUE(namesIn(folder).empty());
}

TEST_F(JapaneseNames, CurrentFolderKeepsItsName)
{
    const std::string before = currentDirectory();
    setCurrentDirectory(folder);
    const std::string now = currentDirectory();
    // A relative name now lands in that folder.
    writeThroughCore("表.txt", "x");
    setCurrentDirectory(before);
    EXPECT_EQ(now, folder);
    EXPECT_TRUE(isRegularFile(joinPath(folder, "表.txt")));
    EXPECT_EQ(currentDirectory(), before);
}
