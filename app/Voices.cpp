#include "app/Voices.h"

#include <array>

namespace app {
namespace {

// Each text is what stands before the title, between title and K, and after K;
// a message without a title or size uses `before` alone.
struct Wording {
    std::string_view before;
    std::string_view between;
    std::string_view after;
};

using VoiceRow = std::array<Wording, 3>;

// Rows in the order of Message; columns are the voices.
constexpr std::array<VoiceRow, 6> table{{
    // Ready
    {{{"作成するムービーファイルを選択してください。", {}, {}},
      {"それでは始めましょうか、鷹見さん。", {}, {}},
      {"さぁ、始めますわよ。", {}, {}}}},
    // TitleInfo
    {{{"", "       ", "KBytes"},
      {"このﾌｧｲﾙは", "です。ｻｲｽﾞは", "KBytes みたいですよ。"},
      {"このファイルは", "、大きさはざっと", "KBytes といった所ですわ。"}}},
    // PickInfo
    {{{"", "       ", "KBytes"},
      {"このファイルは", "という名前です。大きさは", "KBytes みたいですよ。"},
      {"このファイルは", "、大きさはざっと", "KBytes といった所ですわ。"}}},
    // Added: two ASCII spaces in the plain voice, one ideographic space in the others
    {{{"", "  をリストに追加しました。", {}},
      {"", "　をリストに追加しますね。", {}},
      {"", "　をリストに追加してさしあげますわ。", {}}}},
    // Removed
    {{{"", "  をリストから削除しました。", {}},
      {"", "  は消しましたよ。いいですね、鷹見さん。", {}},
      {"少尉、さっさと", "  を消してくださらないかしら。", {}}}},
    // VoiceChange
    {{{"メッセージを通常モードにしました。", {}, {}},
      {"これからは、わたし、鷲ノ宮あかねがご案内します。", {}, {}},
      {"ようやく私の出番というわけですわね。", {}, {}}}},
}};

}  // namespace

std::string composeVoiceText(Voice voice, Message message, std::string_view title, std::int64_t sizeBytes)
{
    const auto column = static_cast<std::size_t>(voice);
    const Wording& w = table[static_cast<std::size_t>(message)][column < VoiceCount ? column : 0];
    std::string text(w.before);
    switch (message) {
    case Message::Ready:
    case Message::VoiceChange:
        break;
    case Message::TitleInfo:
    case Message::PickInfo:
        text.append(title).append(w.between).append(std::to_string(sizeBytes / 1024)).append(w.after);
        break;
    case Message::Added:
    case Message::Removed:
        text.append(title).append(w.between);
        break;
    }
    return text;
}

}  // namespace app
