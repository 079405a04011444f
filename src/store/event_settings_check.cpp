#include "store/event_settings_check.h"

#include <cctype>

#include "base/text_codec.h"
#include "store/setting_text_check.h"

namespace halvera {
namespace {

const char* SizeMessage(EventText which) {
    switch (which) {
        case EventText::Message:
            return "出力メッセージを128文字以内で入力してください。";
        case EventText::Popup:
            return "ポップアップメッセージを128文字以内で入力してください。";
        case EventText::File:
            return "ファイル起動パスを128文字以内で入力してください。";
        case EventText::Mail:
            return "メールメッセージを128文字以内で入力してください。";
        case EventText::Sound:
            break;
    }
    return "サウンド再生のファイル指定を128文字以内で入力してください。";
}

// ".wav" is 4 bytes; a name needs at least one byte before it.
constexpr std::string_view WAVE_SUFFIX = ".wav";

bool EndsInWaveSuffix(std::string_view name) {
    if (name.size() <= WAVE_SUFFIX.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - WAVE_SUFFIX.size());
    for (std::size_t i = 0; i < WAVE_SUFFIX.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != WAVE_SUFFIX[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string CheckEventText(EventText which, std::string_view textCp932) {
    if (textCp932.size() > EVENT_TEXT_MAX) {
        return Sjis(SizeMessage(which));
    }
    return CheckSettingText(textCp932);
}

std::string CheckSoundFile(std::string_view fileCp932) {
    if (fileCp932.empty() || EndsInWaveSuffix(fileCp932)) {
        return {};
    }
    return Sjis("サウンド再生ファイルが不正です。( .wav )");
}

std::string CheckEventSettings(const EventSettings& record) {
    const std::pair<EventText, const std::string*> texts[] = {
        {EventText::Message, &record.message}, {EventText::Popup, &record.popupText},
        {EventText::File, &record.filePath},   {EventText::Mail, &record.mailText},
        {EventText::Sound, &record.soundFile},
    };
    for (const auto& [which, text] : texts) {
        if (std::string refusal = CheckEventText(which, *text); !refusal.empty()) {
            return refusal;
        }
    }
    return CheckSoundFile(record.soundFile);
}

}  // namespace halvera
