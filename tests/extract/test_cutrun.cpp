// A run over the picks and the copy of one catalogue movie.
#include "Catalogue.h"
#include "CutRun.h"
#include "ExtractTestSupport.h"
#include "InOutError.h"
#include "SampleArchive.h"

using hotaru::RunEnd;

TEST(RunAll, StopsBeforeTheNextMovieWhenAsked)
{
    std::vector<std::int32_t> cut;
    bool stop = false;
    const auto r = hotaru::runAll({1, 2, 3}, [&] { return stop; }, [&](std::int32_t n) {
        cut.push_back(n);
        stop = n == 2;
    });
    EXPECT_EQ(r.end, RunEnd::Stopped);
    EXPECT_EQ(cut, (std::vector<std::int32_t>{1, 2}));
}

TEST(RunAll, AFailureEndsTheRunWithTheFileAndItsMessage)
{
    std::vector<std::int32_t> cut;
    const auto r = hotaru::runAll({4, 5, 6}, [] { return false; }, [&](std::int32_t n) {
        cut.push_back(n);
        if (n == 5)
            throw hotaru::EInOutError(100, "/cd/hotaru4");
    });
    EXPECT_EQ(r.end, RunEnd::Failed);
    EXPECT_EQ(r.path, "/cd/hotaru4");
    EXPECT_EQ(r.message, "ﾌｧｲﾙの末尾以降を読み込みました");
    EXPECT_EQ(cut, (std::vector<std::int32_t>{4, 5}));
}

// One sample archive of disc 1 for the whole suite.
class CutMovieTest : public ::testing::Test {
protected:
    static inline ScratchDir* disc = nullptr;
    static void SetUpTestSuite()
    {
        disc = new ScratchDir;
        hotaru::writeSampleArchive(disc->file("hotaru4"), 1);
    }
    static void TearDownTestSuite()
    {
        delete disc;
        disc = nullptr;
    }

    ScratchDir out;
    hotaru::RunSnapshot run{disc->file("hotaru4"), 1, {}};

    bool exact(const std::string& file, std::int32_t movie) const
    {
        return sameAsRange(file, run.archivePath, hotaru::movieOffset(1, movie), hotaru::movieSize(1, movie));
    }
};

TEST_F(CutMovieTest, CopiesTheMovieUnderItsTitleAndTellsEachStepInOrder)
{
    std::vector<std::string> events;
    hotaru::MovieHooks hooks;
    hooks.status = [&](const std::string& s) { events.push_back("status " + s); };
    hooks.label = [&](const std::string& s) { events.push_back("label " + s); };
    hooks.slice = [&] {
        events.push_back("slice");
        return true;
    };
    const std::string folder = out.path().string() + "/";
    EXPECT_EQ(hotaru::cutMovie(run, 4, folder, hooks), hotaru::CopyOutcome::Written);
    EXPECT_TRUE(exact(folder + "白鳥しおり登場.cpk", 4));
    ASSERT_EQ(events.size(), 102u);
    EXPECT_EQ(events[0], "status 白鳥しおり登場.cpk  を作成中です。");
    EXPECT_EQ(events[1], "label 白鳥しおり登場.cpk");
    EXPECT_EQ(std::count(events.begin(), events.end(), "slice"), 100);
}

TEST_F(CutMovieTest, TitleWithSpacesKeepsThemInTheFileName)
{
    const std::string folder = out.path().string() + "/";
    ASSERT_EQ(hotaru::movieTitle(1, 27), "スタッフロール 其の一");
    hotaru::cutMovie(run, 27, folder, {});
    EXPECT_EQ(out.names(), (std::set<std::string>{"スタッフロール 其の一.cpk"}));
    EXPECT_TRUE(exact(folder + "スタッフロール 其の一.cpk", 27));
}

TEST_F(CutMovieTest, EmptyFolderWritesIntoTheCurrentDirectory)
{
    const fs::path before = fs::current_path();
    fs::current_path(out.path());
    hotaru::cutMovie(run, 6, "", {});
    fs::current_path(before);
    EXPECT_TRUE(exact((out.path() / "ソナタの調べ.cpk").string(), 6));
}

TEST_F(CutMovieTest, ArchiveSwappedForAShorterOneFailsWithoutAPartialFile)
{
    // As after a disc change: the recognised disc's ranges run past the file's end.
    const std::string shorter = out.file("hotaru4");
    fs::copy_file(run.archivePath, shorter);
    fs::resize_file(shorter, static_cast<std::uintmax_t>(hotaru::movieOffset(1, 3) + 1000));
    run.archivePath = shorter;
    const std::string folder = out.path().string() + "/";
    try {
        hotaru::cutMovie(run, 3, folder, {});
        ADD_FAILURE() << "the copy succeeded";
    } catch (const hotaru::EInOutError& e) {
        EXPECT_EQ(e.code(), 100);
        EXPECT_EQ(e.path(), shorter);
    }
    EXPECT_EQ(out.names(), (std::set<std::string>{"hotaru4"}));
}
