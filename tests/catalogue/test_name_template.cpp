// Naming templates: what each field gives, what is refused before a run, and
// names that stay valid on Windows whatever the template's text.
#include "catalogue/NameTemplate.h"

#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace hotaru;

TEST(NameTemplate, TheDefaultKeepsTheCataloguesTitles)
{
    const NameTemplate names;
    for (std::int32_t disc : {1, 2}) {
        for (std::int32_t movie = 1; movie <= movieCount(disc); ++movie)
            EXPECT_EQ(names.nameFor(disc, movie), movieTitle(disc, movie)) << disc << "/" << movie;
    }
}

TEST(NameTemplate, FieldsAndLiteralBraces)
{
    EXPECT_EQ(NameTemplate("{n:02} {title_en}").nameFor(1, 7), "07 Summer Festival Evening");
    EXPECT_EQ(NameTemplate("{n:03}|{n:01}|{n}").nameFor(1, 31), "031_31_31");
    EXPECT_EQ(NameTemplate("Disc{disc}-{n}").nameFor(2, 3), "Disc2-3");
    EXPECT_EQ(NameTemplate("{{{n}}} {title}}}{{").nameFor(1, 5), "{5} 約束の丘}{");
}

TEST(NameTemplate, MistakesAreRefusedBeforeAnythingIsWritten)
{
    const std::vector<std::tuple<std::string, NameTemplateError, std::string>> cases{
        {"{titel}", NameTemplateError::UnknownField, "titel"},
        {"{n:2}", NameTemplateError::UnknownField, "n:2"},
        {"{n:010}", NameTemplateError::UnknownField, "n:010"},
        {"{n} {title", NameTemplateError::UnclosedBrace, "{title"},
        {"{{n}", NameTemplateError::StrayBrace, "}"},
        {"{disc}/{title}", NameTemplateError::Separator, "/"},
        {"..\\{title}", NameTemplateError::Separator, "\\"},
        // Names that would fail for some movie.
        {"", NameTemplateError::EmptyName, ""},
        {" . ", NameTemplateError::EmptyName, " . "},
        {"..", NameTemplateError::OutsideFolder, ".."},
        {".", NameTemplateError::OutsideFolder, "."},
    };
    for (const auto& [text, error, field] : cases) {
        const NameTemplate names(text);
        EXPECT_FALSE(names.valid()) << text;
        EXPECT_EQ(names.check().error, error) << text;
        EXPECT_EQ(names.check().field, field) << text;
    }
    const NameTemplateCheck first = NameTemplate(" ").check();
    EXPECT_EQ(std::pair(first.disc, first.movie), std::pair(1, 1));
    EXPECT_EQ(NameTemplate("..{n}").nameFor(1, 2), "..2");
}

TEST(NameTemplate, NamesStayValidOnWindows)
{
    // Characters Windows refuses become "_"; it drops trailing dots and spaces,
    // so "x." and "x" would be one file.
    EXPECT_EQ(NameTemplate("{n}: {title_en}?<a|b>\"*\t").nameFor(1, 1), "1_ Opening__a_b____");
    EXPECT_EQ(NameTemplate("{title_en}. . ").nameFor(1, 29), "Trailer");
    // Device names, also before an extension and in any case.
    const std::vector<std::pair<std::string, std::string>> devices{
        {"con", "con_"},   {"NUL.x", "NUL_.x"},     {"com{n}", "com1_"}, {"prn .x", "prn_ .x"},
        {"COM¹", "COM¹_"}, {"CONOUT$", "CONOUT$_"}, {"COM10", "COM10"},  {"console", "console"}};
    for (const auto& [text, name] : devices)
        EXPECT_EQ(NameTemplate(text).nameFor(1, 1), name) << text;
}
