#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

// The status-line messages that speak in the chosen voice:
// 0 plain, 1 あかね, 2 しおり.
enum class Message { Ready, TitleInfo, PickInfo, Added, Removed, VoiceChange };

inline constexpr std::int32_t VoiceCount = 3;

// Composes a message in UTF-8. K is the size in bytes divided by 1024, the
// remainder dropped; the title is never shortened.
std::string composeVoiceText(std::int32_t voice, Message message, std::string_view title = {},
                             std::int64_t sizeBytes = 0);

inline QString voiceText(std::int32_t voice, Message message, std::string_view title = {}, std::int64_t sizeBytes = 0)
{
    return QString::fromStdString(composeVoiceText(voice, message, title, sizeBytes));
}
