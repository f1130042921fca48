// SHA256SUMS as "sha256sum -c" reads it, merged with what was there, and
// never damaged by a failed write. POSIX: the folder is checked by a shell.
#include "extract/Checksums.h"

#include "platform/InOutError.h"

#include "RequiredTools.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace hotaru;

namespace {

// Known digests, so a hashing fault shows without the tool too.
const std::string emptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const std::string abcDigest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

class Checksums : public ScratchDirTest {
protected:
    std::string folder;
    std::string list;
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        folder = file("");
        list = file("SHA256SUMS");
    }
    int inFolder(const std::string& command) const
    {
        return std::system(("cd '" + utf8Path(dir) + "' && " + command).c_str());
    }
    // Recording `names` fails with `code` naming `path`, and SHA256SUMS stays as it was.
    void expectFailure(const std::vector<std::string>& names, int code, const std::string& path)
    {
        const std::string old = readFile(list);
        try {
            recordChecksums(folder, names);
            ADD_FAILURE() << "recorded";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.code(), code);
            EXPECT_EQ(e.path(), path);
        }
        EXPECT_EQ(readFile(list), old);
    }
};

}  // namespace

TEST_F(Checksums, Sha256sumChecksWhatWasRecorded)
{
    if (std::system("command -v sha256sum >/dev/null 2>&1") != 0)
        SKIP_UNLESS_REQUIRED("sha256sum is missing");
    writeFile(file("other.bin"), "another tool's file");
    ASSERT_EQ(inFolder("sha256sum other.bin > SHA256SUMS"), 0);
    const std::string toolLine = readFile(list);
    // A file of several slices, an empty one, a blank, Japanese, and the two
    // characters only GNU's escaped form can hold.
    const std::vector<std::string> movies{"オープニング.cpk", "with space.mp4", "empty.cpk", "back\\slash.avi",
                                          "new\nline.cpk"};
    const std::vector<std::string> contents{patterned((5 << 20) / 2), patterned(1000, 3), "", "abc", "abc"};
    for (std::size_t k = 0; k < movies.size(); ++k)
        writeFile(file(movies[k]), contents[k]);
    recordChecksums(folder, movies);
    EXPECT_EQ(inFolder("sha256sum -c --strict --quiet SHA256SUMS"), 0);
    const std::string before = readFile(list);
    EXPECT_TRUE(before.starts_with(toolLine));

    // The changed movie's digest is replaced where it stands, all else stays.
    writeFile(file(movies[0]), patterned((5 << 20) / 2, 9));
    recordChecksums(folder, {movies[0]});
    EXPECT_EQ(inFolder("sha256sum -c --strict --quiet SHA256SUMS"), 0);
    const std::string after = readFile(list);
    const std::size_t at = toolLine.size();
    EXPECT_NE(after.substr(at, 64), before.substr(at, 64));
    EXPECT_EQ(after.substr(0, at) + after.substr(at + 64), before.substr(0, at) + before.substr(at + 64));
}

TEST_F(Checksums, MergingKeepsWhatItCannotReadAndOneLinePerName)
{
    writeFile(file("a.cpk"), "abc");
    writeFile(file("b.cpk"), "");
    writeFile(file("d.cpk"), "abc");
    // A comment, BSD's form, binary mode with a Windows line end, a stale second line.
    writeFile(list, "# made by hand\nSHA256 (a.cpk) = " + std::string(64, '0') + "\n" + std::string(64, 'F') +
                        " *b.cpk\r\n" + std::string(64, '1') + "  c.cpk\n" + std::string(64, '2') + "  a.cpk");
    recordChecksums(folder, {"a.cpk", "b.cpk", "d.cpk", "a.cpk"});
    EXPECT_EQ(readFile(list), "# made by hand\n" + abcDigest + "  a.cpk\n" + emptyDigest + "  b.cpk\n" +
                                  std::string(64, '1') + "  c.cpk\n" + abcDigest + "  d.cpk\n");
}

TEST_F(Checksums, AFailureLeavesTheOldListAsItWas)
{
    writeFile(file("a.cpk"), "abc");
    writeFile(list, std::string(64, '1') + "  a.cpk\n");
    expectFailure({"a.cpk", "gone.cpk"}, io::FileNotFound, folder + "gone.cpk");
    if (runningAsRoot())
        GTEST_SKIP() << "root writes in a read-only folder";
    {
        const ModeScope readOnly(dir, ReadOnlyFolder);
        expectFailure({"a.cpk"}, io::AccessDenied, list);
    }
    EXPECT_EQ(names(), (std::set<std::string>{"SHA256SUMS", "a.cpk"}));
}
