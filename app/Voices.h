#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

namespace app {
// Who speaks the status-line messages. The numbers are the remembered ones.
enum class Voice : std::int32_t { Plain = 0, Akane = 1, Shiori = 2 };
inline constexpr std::int32_t VoiceCount = 3;

// The status-line messages that speak in the chosen voice.
enum class Message { Ready, TitleInfo, PickInfo, Added, Removed, VoiceChange };

// A message in the installed language, one whole sentence per voice so that
// a translation may place the title and size anywhere. K is the size in bytes
// divided by 1024, the remainder dropped; the title is never shortened.
QString voiceText(Voice voice, Message message, const QString& title = {}, std::int64_t sizeBytes = 0);
// The same in UTF-8.
std::string composeVoiceText(Voice voice, Message message, std::string_view title = {}, std::int64_t sizeBytes = 0);

}  // namespace app
