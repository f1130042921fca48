#include "movie/SubtitleFile.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

using namespace hotaru;

namespace {

Subtitles parsed(std::string_view bytes, SubtitleFormat format)
{
    auto result = parseSubtitles(bytes, format);
    if (const auto* problem = std::get_if<SubtitleProblem>(&result)) {
        ADD_FAILURE() << "problem " << int(problem->error) << " at line " << problem->line;
        return {};
    }
    return std::get<Subtitles>(result);
}

SubtitleProblem problemOf(std::string_view bytes, SubtitleFormat format)
{
    auto result = parseSubtitles(bytes, format);
    return std::holds_alternative<SubtitleProblem>(result) ? std::get<SubtitleProblem>(result)
                                                           : SubtitleProblem{SubtitleError::Unreadable, -1};
}

constexpr std::string_view AssEvents = "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, "
                                       "Effect, Text\n";

}  // namespace

// However the file was saved, the same cues come out: UTF-8 with or without
// its mark, Shift-JIS, Windows' line ends, the cue numbers left out.
TEST(SubtitleFile, ReadsSrtInEveryEncodingAndLineEnd)
{
    const std::string utf8 = "1\n00:00:01,000 --> 00:00:02,500\n蛍の光\nsecond line\n\n"
                             "2\n00:01:00,5 --> 01:00:00.250 X1:10 X2:20\nend\n";
    std::string crlf;
    for (char c : utf8)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string sjis = utf8;
    sjis.replace(sjis.find("蛍の光"), std::string("蛍の光").size(), "\x8c\x75\x82\xcc\x8c\xf5");
    std::string unnumbered = utf8;
    unnumbered.erase(0, 2);
    for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8, crlf, sjis, "\xEF\xBB\xBF" + crlf, unnumbered}) {
        const Subtitles subs = parsed(bytes, SubtitleFormat::Srt);
        ASSERT_EQ(subs.cues.size(), 2u);
        EXPECT_EQ(subs.cues[0].startMs, 1000);
        EXPECT_EQ(subs.cues[0].endMs, 2500);
        EXPECT_EQ(subs.cues[0].text, "蛍の光\nsecond line");
        EXPECT_EQ(subs.cues[1].startMs, 60500);
        EXPECT_EQ(subs.cues[1].endMs, 3600250);
        EXPECT_EQ(subs.language, "jpn");
    }
    EXPECT_EQ(parsed("1\n00:00:00,000 --> 00:00:01,000\nFireflies\n", SubtitleFormat::Srt).language, "eng");
}

// Styling goes from the text shown but stays in what a track keeps.
TEST(SubtitleFile, StripsStylingFromTheTextOnly)
{
    const Subtitles srt = parsed("1\n00:00:00,000 --> 00:00:01,000\n{\\an8}<i>Hi</i> <font color=\"red\">you</font>\n"
                                 "{not a tag} a<b\n",
                                 SubtitleFormat::Srt);
    ASSERT_EQ(srt.cues.size(), 1u);
    EXPECT_EQ(srt.cues[0].text, "Hi you\n{not a tag} a<b");
    EXPECT_EQ(srt.cues[0].raw, "{\\an8}<i>Hi</i> <font color=\"red\">you</font>\n{not a tag} a<b");

    // Fields in an order of the file's own, a comment, and text with commas.
    const Subtitles ass =
        parsed("\xEF\xBB\xBF[Script Info]\r\nTitle: t\r\n\r\n[Events]\r\n"
               "Format: Start, End, Style, Text\r\n"
               "Comment: 0:00:00.00,0:00:09.00,Default,note\r\n"
               "Dialogue: 0:00:01.50,0:00:02.05,Sign,{\\i1}Hello{\\i0}, world\\Nline\\htwo\\n{\\b1}three\r\n",
               SubtitleFormat::Ass);
    ASSERT_EQ(ass.cues.size(), 1u);
    EXPECT_EQ(ass.cues[0].startMs, 1500);
    EXPECT_EQ(ass.cues[0].endMs, 2050);
    EXPECT_EQ(ass.cues[0].text, "Hello, world\nline two\nthree");
    EXPECT_EQ(ass.cues[0].raw, "0,Sign,,0,0,0,,{\\i1}Hello{\\i0}, world\\Nline\\htwo\\n{\\b1}three");
    EXPECT_EQ(ass.assHeader, "[Script Info]\nTitle: t\n\n" + std::string(AssEvents));
    EXPECT_EQ(ass.language, "eng");
}

// Each kind of damage is named with the line it is on, never thrown.
TEST(SubtitleFile, NamesEachProblemWithItsLine)
{
    const std::string events(AssEvents);
    struct Case {
        SubtitleFormat format;
        std::string bytes;
        SubtitleProblem problem;
    };
    const SubtitleFormat srt = SubtitleFormat::Srt, ass = SubtitleFormat::Ass;
    for (const Case& c : {
             Case{srt, "1\n00:00:00,000 --> 00:00:01,000\na\n\n2\nno timing\n", {SubtitleError::NoTiming, 6}},
             Case{srt, "\n\n7\n", {SubtitleError::NoTiming, 4}},
             Case{srt, "1\n00:00:00,000 -> 00:00:01,000\na\n", {SubtitleError::NoTiming, 2}},
             Case{srt, "1\n00:00:00,000 --> 00:61:00,000\na\n", {SubtitleError::BadTime, 2}},
             Case{srt, "1\n00:00:00 --> 00:00:01,000\na\n", {SubtitleError::BadTime, 2}},
             Case{srt, "1\n00:00:00,000 --> 00:00:01,000x\na\n", {SubtitleError::BadTime, 2}},
             Case{srt, "1\n99999:00:00,000 --> 99999:00:01,000\na\n", {SubtitleError::BadTime, 2}},
             Case{srt, "1\n00:00:00,000 --> 9999999999:00:00,000\na\n", {SubtitleError::BadTime, 2}},
             Case{srt, "1\n\n00:00:02,000 --> 00:00:01,000\na\n", {SubtitleError::NoTiming, 2}},
             Case{srt, "1\n00:00:02,000 --> 00:00:01,000\na\n", {SubtitleError::EndBeforeStart, 2}},
             Case{srt, "1\n00:00:00,000 --> 00:00:01,000\n\n", {SubtitleError::NoCues, 0}},
             Case{srt, "", {SubtitleError::NoCues, 0}},
             Case{srt, "\xFF\xFF\xFF", {SubtitleError::NotText, 0}},
             Case{srt,
                  std::string("\xFF\xFE"
                              "1\0\n\0",
                              6),
                  {SubtitleError::NotText, 0}},
             Case{srt, std::string(MaxSubtitleFileBytes + 1, '\n'), {SubtitleError::TooLarge, 0}},
             Case{ass, "[Script Info]\nTitle: x\n", {SubtitleError::NoEvents, 0}},
             Case{ass, "[Script Info]\n\n[Events]\n", {SubtitleError::NoFormat, 3}},
             Case{ass, "[Events]\nDialogue: 0,0:00:00.00,0:00:01.00,Default,,0,0,0,,x\n", {SubtitleError::NoFormat, 2}},
             Case{ass, "[Events]\nFormat: Layer, Start, Text, End\n", {SubtitleError::NoFormat, 2}},
             Case{ass, events + "Dialogue: 0,0:00:00.00\n", {SubtitleError::BadDialogue, 3}},
             Case{ass, events + "Dialogue: 0,0:0x:00.00,0:00:01.00,Default,,0,0,0,,x\n", {SubtitleError::BadTime, 3}},
             Case{ass,
                  events + "Dialogue: 0,0:00:02.00,0:00:01.00,Default,,0,0,0,,x\n",
                  {SubtitleError::EndBeforeStart, 3}},
             Case{ass, events + "Comment: 0,0:00:00.00,0:00:01.00,Default,,0,0,0,,x\n", {SubtitleError::NoCues, 0}},
         }) {
        SCOPED_TRACE(c.bytes.substr(0, 80));
        EXPECT_EQ(problemOf(c.bytes, c.format), c.problem);
    }
}

class SubtitleFiles : public ScratchDirTest {};

// The name says the format, in any case; a file that is missing or too
// large is refused before it is read.
TEST_F(SubtitleFiles, ChoosesTheFormatByTheName)
{
    writeFile(file("a.SRT"), "1\n00:00:00,000 --> 00:00:01,000\nx\n");
    writeFile(file("a.Ass"), std::string(AssEvents) + "Dialogue: 0,0:00:00.00,0:00:01.00,Default,,0,0,0,,x\n");
    writeFile(file("a.txt"), "1\n00:00:00,000 --> 00:00:01,000\nx\n");
    writeFile(file("big.srt"), std::string(MaxSubtitleFileBytes + 1, ' '));
    EXPECT_EQ(std::get<Subtitles>(readSubtitles(file("a.SRT"))).format, SubtitleFormat::Srt);
    EXPECT_EQ(std::get<Subtitles>(readSubtitles(file("a.Ass"))).format, SubtitleFormat::Ass);
    EXPECT_EQ(std::get<SubtitleProblem>(readSubtitles(file("a.txt"))).error, SubtitleError::UnknownFormat);
    EXPECT_EQ(std::get<SubtitleProblem>(readSubtitles(file("missing.srt"))).error, SubtitleError::Unreadable);
    EXPECT_EQ(std::get<SubtitleProblem>(readSubtitles(file("big.srt"))).error, SubtitleError::TooLarge);
}

// A cue shows from its start until its end; where two overlap, the first.
TEST(SubtitleFile, FindsTheCueShownAtATime)
{
    const Subtitles subs = parsed("1\n00:00:02,000 --> 00:00:03,000\nlater\n\n"
                                  "2\n00:00:01,000 --> 00:00:02,500\nearlier\n",
                                  SubtitleFormat::Srt);
    const auto textAt = [&](std::int64_t ms) {
        const SubtitleCue* cue = cueAt(subs, ms);
        return cue ? cue->text : std::string("-");
    };
    EXPECT_EQ(textAt(999), "-");
    EXPECT_EQ(textAt(1000), "earlier");
    EXPECT_EQ(textAt(2200), "later");
    EXPECT_EQ(textAt(2999), "later");
    EXPECT_EQ(textAt(3000), "-");
}
