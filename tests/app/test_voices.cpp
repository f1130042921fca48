#include "app/Voices.h"

#include <gtest/gtest.h>

using namespace app;

namespace {
// Exactly 30 bytes in Shift-JIS: fifteen double-byte characters.
const std::string T = "ホタル奇譚ムービーカッター題名";
constexpr std::int64_t Bytes = 2097151;  // K = 2047
}  // namespace

TEST(Voices, EveryMessageInEveryVoice)
{
    struct Case {
        int voice;
        Message message;
        std::string expected;
    };
    const Case cases[] = {
        {0, Message::Ready, "作成するムービーファイルを選択してください。"},
        {1, Message::Ready, "それでは始めましょうか、鷹見さん。"},
        {2, Message::Ready, "さぁ、始めますわよ。"},
        {0, Message::TitleInfo, T + "       2047KBytes"},
        {1, Message::TitleInfo, "このﾌｧｲﾙは" + T + "です。ｻｲｽﾞは2047KBytes みたいですよ。"},
        {2, Message::TitleInfo, "このファイルは" + T + "、大きさはざっと2047KBytes といった所ですわ。"},
        {0, Message::PickInfo, T + "       2047KBytes"},
        {1, Message::PickInfo, "このファイルは" + T + "という名前です。大きさは2047KBytes みたいですよ。"},
        {2, Message::PickInfo, "このファイルは" + T + "、大きさはざっと2047KBytes といった所ですわ。"},
        {0, Message::Added, T + "  をリストに追加しました。"},
        {1, Message::Added, T + "\u3000をリストに追加しますね。"},
        {2, Message::Added, T + "\u3000をリストに追加してさしあげますわ。"},
        {0, Message::Removed, T + "  をリストから削除しました。"},
        {1, Message::Removed, T + "  は消しましたよ。いいですね、鷹見さん。"},
        {2, Message::Removed, "少尉、さっさと" + T + "  を消してくださらないかしら。"},
        {0, Message::VoiceChange, "メッセージを通常モードにしました。"},
        {1, Message::VoiceChange, "これからは、わたし、鷲ノ宮あかねがご案内します。"},
        {2, Message::VoiceChange, "ようやく私の出番というわけですわね。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("voice " + std::to_string(c.voice) + " message " + std::to_string(static_cast<int>(c.message)));
        EXPECT_EQ(composeVoiceText(static_cast<Voice>(c.voice), c.message, T, Bytes), c.expected);
    }
}

TEST(Voices, SizeIsWholeKilobytesRoundedDown)
{
    EXPECT_EQ(composeVoiceText(Voice::Plain, Message::TitleInfo, "a", 1023), "a       0KBytes");
    EXPECT_EQ(composeVoiceText(Voice::Plain, Message::TitleInfo, "a", 1024), "a       1KBytes");
    EXPECT_EQ(composeVoiceText(Voice::Plain, Message::PickInfo, "a", 2365440), "a       2310KBytes");
}
