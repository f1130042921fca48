#include "app/Voices.h"

#include <QCoreApplication>

#include <array>

namespace app {
namespace {

// Rows in the order of Message; columns are the voices. In each sentence %1
// is the title and %2 the size in KBytes.
constexpr std::array<std::array<const char*, VoiceCount>, 6> table{{
    // Ready
    {QT_TRANSLATE_NOOP("Voices", "作成するムービーファイルを選択してください。"),
     QT_TRANSLATE_NOOP("Voices", "それでは始めましょうか、鷹見さん。"),
     QT_TRANSLATE_NOOP("Voices", "さぁ、始めますわよ。")},
    // TitleInfo
    {QT_TRANSLATE_NOOP("Voices", "%1       %2KBytes"),
     QT_TRANSLATE_NOOP("Voices", "このﾌｧｲﾙは%1です。ｻｲｽﾞは%2KBytes みたいですよ。"),
     QT_TRANSLATE_NOOP("Voices", "このファイルは%1、大きさはざっと%2KBytes といった所ですわ。")},
    // PickInfo
    {QT_TRANSLATE_NOOP("Voices", "%1       %2KBytes"),
     QT_TRANSLATE_NOOP("Voices", "このファイルは%1という名前です。大きさは%2KBytes みたいですよ。"),
     QT_TRANSLATE_NOOP("Voices", "このファイルは%1、大きさはざっと%2KBytes といった所ですわ。")},
    // Added: two ASCII spaces in the plain voice, one ideographic space in the others
    {QT_TRANSLATE_NOOP("Voices", "%1  をリストに追加しました。"),
     QT_TRANSLATE_NOOP("Voices", "%1\u3000をリストに追加しますね。"),
     QT_TRANSLATE_NOOP("Voices", "%1\u3000をリストに追加してさしあげますわ。")},
    // Removed
    {QT_TRANSLATE_NOOP("Voices", "%1  をリストから削除しました。"),
     QT_TRANSLATE_NOOP("Voices", "%1  は消しましたよ。いいですね、鷹見さん。"),
     QT_TRANSLATE_NOOP("Voices", "少尉、さっさと%1  を消してくださらないかしら。")},
    // VoiceChange
    {QT_TRANSLATE_NOOP("Voices", "メッセージを通常モードにしました。"),
     QT_TRANSLATE_NOOP("Voices", "これからは、わたし、鷲ノ宮あかねがご案内します。"),
     QT_TRANSLATE_NOOP("Voices", "ようやく私の出番というわけですわね。")},
}};

}  // namespace

QString voiceText(Voice voice, Message message, const QString& title, std::int64_t sizeBytes)
{
    const auto column = static_cast<std::size_t>(voice);
    const char* source = table[static_cast<std::size_t>(message)][column < VoiceCount ? column : 0];
    const QString sentence = QCoreApplication::translate("Voices", source);
    switch (message) {
    case Message::Ready:
    case Message::VoiceChange:
        return sentence;
    case Message::TitleInfo:
    case Message::PickInfo:
        return sentence.arg(title, QString::number(sizeBytes / 1024));
    case Message::Added:
    case Message::Removed:
        break;
    }
    return sentence.arg(title);
}

std::string composeVoiceText(Voice voice, Message message, std::string_view title, std::int64_t sizeBytes)
{
    return voiceText(voice, message, QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())), sizeBytes)
        .toStdString();
}

}  // namespace app
