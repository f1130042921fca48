// The name each movie of a run gets where the output folder already has files.
#include "extract/OutputNames.h"

#include <gtest/gtest.h>

#include <set>

using namespace hotaru;

namespace {

// A folder that holds `present`, exactly as spelt.
std::function<bool(const std::string&)> folderWith(std::set<std::string> present)
{
    return [present = std::move(present)](const std::string& name) { return present.contains(name); };
}

const std::vector<std::string> cpk{".cpk"};
const std::vector<std::string> mp4{".mp4"};

}  // namespace

TEST(OutputNames, OverwriteReplacesOlderFilesButNeverOneOfTheRun)
{
    for (const ExistingFiles rule : {ExistingFiles::Overwrite, ExistingFiles::Skip, ExistingFiles::Rename})
        EXPECT_EQ(parseExistingFiles(existingFilesName(rule)), rule);
    EXPECT_FALSE(parseExistingFiles("Rename"));

    OutputNames names(ExistingFiles::Overwrite, folderWith({"A.cpk", "A (2).cpk"}));
    EXPECT_EQ(names.claim("A", cpk), "A");
    // A template that gives two movies one name, or names that differ in case only.
    EXPECT_EQ(names.claim("A", cpk), "A (2)");
    EXPECT_EQ(names.claim("a", mp4), "a (3)");
}

TEST(OutputNames, SkipLeavesOnlyFilesThatAreThere)
{
    OutputNames names(ExistingFiles::Skip, folderWith({"A.mp4", "C.cpk", "D (2).cpk"}));
    EXPECT_EQ(names.claim("A", mp4), std::nullopt);
    EXPECT_EQ(names.claim("A", cpk), "A");  // only the kept files count
    EXPECT_EQ(names.claim("C", {".mp4", ".cpk"}), std::nullopt);
    // The run's own file is no reason to skip, nor to replace it.
    EXPECT_EQ(names.claim("A", cpk), "A (2)");
    EXPECT_EQ(names.claim("D", cpk), "D");
    EXPECT_EQ(names.claim("D", cpk), std::nullopt);
    // A skipped name is not the run's: asking again skips again.
    EXPECT_EQ(names.claim("C", cpk), std::nullopt);
}

TEST(OutputNames, RenameTakesTheFirstFreeNumber)
{
    OutputNames names(ExistingFiles::Rename, folderWith({"A.cpk", "A (2).mp4", "A (4).cpk", "B.avi"}));
    EXPECT_EQ(names.claim("A", {".cpk", ".mp4"}), "A (3)");
    EXPECT_EQ(names.claim("A", {".cpk", ".mp4"}), "A (5)");
    EXPECT_EQ(names.claim("B", mp4), "B");
    EXPECT_EQ(names.claim("A (2)", {".cpk", ".mp4"}), "A (2) (2)");
}
