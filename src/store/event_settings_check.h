#pragma once

#include <string>
#include <string_view>

#include "store/event_settings.h"

namespace halvera {

// The texts of an event settings record, in the order the event action dialog checks them.
enum class EventText { Message, Popup, File, Mail, Sound };

// The message of one text the event settings store cannot keep (CP932), empty when it may be
// stored: at most EVENT_TEXT_MAX bytes, each text kind with its own message, no comma, since
// the record line separates its fields with commas, and no control character.
std::string CheckEventText(EventText which, std::string_view textCp932);

// The message of a sound file name that names no wave file, empty for a good one or none:
// at least one character before ".wav", in any letter case.
std::string CheckSoundFile(std::string_view fileCp932);

// The event action dialog's checks of a whole record: each text in the order of EventText,
// its size before its comma, then the sound file name. The message of the first check that
// fails, empty when all pass.
std::string CheckEventSettings(const EventSettings& record);

}  // namespace halvera
