#include "store/event_settings_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/text_codec.h"
#include "store/sniff_criterion.h"

namespace halvera {
namespace {

const std::string COMMA = Sjis("設定値に , を使用することはできません。");
const std::string CONTROL = Sjis("設定値に制御文字を使用することはできません。");
const std::string BAD_SOUND = Sjis("サウンド再生ファイルが不正です。( .wav )");

std::string SizeMessage(const char* what) {
    return Sjis(what) + Sjis("を128文字以内で入力してください。");
}

// 64 double-byte characters: 128 bytes in CP932.
std::string DoubleByteText(int characters) {
    std::string text;
    for (int i = 0; i < characters; ++i) {
        text += Sjis("検");
    }
    return text;
}

TEST(EventSettingsCheck, EachTextHasItsOwnSizeMessageThenTheCommaAndControlRules) {
    struct Case {
        const char* name;
        EventText which;
        std::string text;
        std::string message;  // empty: accepted
    };
    const std::string message = SizeMessage("出力メッセージ");
    const Case cases[] = {
        {"empty", EventText::Message, "", ""},
        {"128 bytes", EventText::Message, std::string(128, 'a'), ""},
        {"129 bytes", EventText::Message, std::string(129, 'a'), message},
        {"64 Japanese characters are 128 bytes", EventText::Message, DoubleByteText(64), ""},
        {"65 Japanese characters are 130 bytes", EventText::Message, DoubleByteText(65), message},
        {"placeholders are plain text", EventText::Message, "%IP %MAC %DATE", ""},
        {"a comma would split the record line", EventText::Message, "%IP,%MAC", COMMA},
        {"too long with a comma: the size first", EventText::Message, std::string(128, 'a') + ",",
         message},
        {"a full-width comma is no separator", EventText::Message, Sjis("%IP，%MAC"), ""},
        {"popup", EventText::Popup, std::string(129, 'p'), SizeMessage("ポップアップメッセージ")},
        {"file", EventText::File, std::string(129, '/'), SizeMessage("ファイル起動パス")},
        {"mail", EventText::Mail, DoubleByteText(65), SizeMessage("メールメッセージ")},
        {"sound", EventText::Sound, std::string(125, 's') + ".wav",
         SizeMessage("サウンド再生のファイル指定")},
        {"file with a comma", EventText::File, "/usr/bin/notify %IP,%HOST", COMMA},
        // A line break would end the record line; ESC would switch a mail to kanji.
        {"message with CR LF", EventText::Message, "%IP\r\n%MAC", CONTROL},
        {"popup with a tab", EventText::Popup, "%IP\t%MAC", CONTROL},
        {"file with LF", EventText::File, "/bin/x\n/bin/y", CONTROL},
        {"mail with ESC", EventText::Mail, "x\x1b(Jy\x1b$B", CONTROL},
        {"mail with SI", EventText::Mail, "x\x0fy", CONTROL},
        {"sound with DEL", EventText::Sound, "a\x7f.wav", CONTROL},
        {"NUL", EventText::Message, std::string("a\0b", 3), CONTROL},
        {"a comma before a control character: the comma first", EventText::Message, ",\n", COMMA},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckEventText(c.which, c.text), c.message) << c.name;
    }
}

TEST(EventSettingsCheck, SoundFileNamesAWaveFile) {
    struct Case {
        const char* file;
        bool accepted;
    };
    const Case cases[] = {
        {"", true},
        {"alarm.wav", true},
        {"alarm.WAV", true},
        {"x.Wav", true},
        {"a.wav", true},
        {"/usr/share/sounds/bell.wAv", true},
        {".wav", false},
        {"alarm.wave", false},
        {"a.mp3", false},
        {"alarm", false},
        {"alarmwav", false},
        {"alarm.wav ", false},
        {"alarm.wav.", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckSoundFile(c.file), c.accepted ? std::string() : BAD_SOUND) << c.file;
    }
}

TEST(EventSettingsCheck, ARecordIsCheckedInTheDialogsOrder) {
    struct Case {
        const char* name;
        std::function<void(EventSettings&)> change;
        std::string message;
    };
    // Every case starts from a record in which every text has a fault, and mends the
    // texts before the one whose message it expects.
    const auto mended = [](int upTo) {
        return [upTo](EventSettings& r) {
            std::string* texts[] = {&r.message, &r.popupText, &r.filePath, &r.mailText,
                                    &r.soundFile};
            for (int i = 0; i < upTo; ++i) {
                *texts[i] = "ok";
            }
        };
    };
    const Case cases[] = {
        {"output message first", mended(0), SizeMessage("出力メッセージ")},
        {"then the popup message", mended(1), COMMA},
        {"then the external file", mended(2), SizeMessage("ファイル起動パス")},
        {"then the mail message", mended(3), COMMA},
        {"then the sound file's size", mended(4), SizeMessage("サウンド再生のファイル指定")},
        {"the sound file's name after every size and comma",
         [](EventSettings& r) {
             r = EventSettings{};
             r.soundFile = "a.mp3";
             r.mailText = "%IP,%MAC";
         },
         COMMA},
        {"a bad sound file name last",
         [](EventSettings& r) {
             r = EventSettings{};
             r.soundFile = "a.mp3";
         },
         BAD_SOUND},
        {"all texts good",
         [](EventSettings& r) {
             r = EventSettings{};
             r.message = DoubleByteText(64);
             r.soundFile = "alarm.WAV";
         },
         ""},
    };
    for (const Case& c : cases) {
        EventSettings record;
        record.message = DoubleByteText(65);
        record.popupText = "a,b";
        record.filePath = std::string(200, 'f');
        record.mailText = "c,d";
        record.soundFile = std::string(129, 's');
        c.change(record);
        EXPECT_EQ(CheckEventSettings(record), c.message) << c.name;
    }
}

TEST(SniffCriterion, AnyKeepsTheTestsAndSelectedRebuildsThem) {
    struct Case {
        const char* name;
        std::int32_t previous;
        bool anyTest;
        std::int32_t tests;
        std::int32_t promiss;
    };
    const Case cases[] = {
        {"any from the default keeps B47, B16, B8", 7, true, 0, 0x87},
        {"any again changes nothing", 0x85, true, 0x02, 0x85},
        {"selected after any drops the any bit", 0x87, false, 0x05, 0x05},
        {"selected with no test", 7, false, 0, 0},
        {"any from nothing", 0, true, 0, 0x80},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SniffCriterionAfter(c.previous, c.anyTest, c.tests), c.promiss) << c.name;
    }
}

}  // namespace
}  // namespace halvera
