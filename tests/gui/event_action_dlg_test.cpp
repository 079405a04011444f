#include "dialogs/event_action_dlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "dialog_clicks.h"
#include "frame_fixture.h"
#include "store/event_kind.h"
#include "support/blocked_file.h"
#include "support/file_bytes.h"

namespace halvera {
namespace {

std::filesystem::path EventFile() {
    return DbFolder() / "EventDB.na";
}

// A line of EventDB.na from its twelve fields (CP932, each ended by a comma): blanks up to
// 791 bytes, then CR LF.
std::string EventLine(const std::string& fields) {
    std::string line = fields;
    line.resize(791, ' ');
    return line + "\r\n";
}

// 65 double-byte characters: 130 bytes in CP932.
QString LongJapaneseText() {
    return QString(65, QChar(0x691C));  // 検
}

bool PressOk(CEventActionDlg& dialog) {
    test::ClickBox(dialog, QDialogButtonBox::Ok);
    return !dialog.isVisible() && dialog.result() == QDialog::Accepted;
}

class EventActionDlgTest : public ::testing::Test {
  protected:
    // An event settings file that holds no kind yet (the first start writes one only where
    // there is none).
    EventActionDlgTest() { test::WriteBytes(EventFile(), ""); }

    test::FrameFixture f;
};

TEST_F(EventActionDlgTest, AKindWithoutARecordOpensDisabledAndEmpty) {
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        CEventActionDlg dialog(f.engine, f.prompt, kind);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Halvera: Event action")) << kind;
        ASSERT_EQ(dialog.EnabledList()->count(), 2);
        EXPECT_EQ(dialog.EnabledList()->itemText(0), QStringLiteral("無効"));
        EXPECT_EQ(dialog.EnabledList()->itemText(1), QStringLiteral("有効"));
        EXPECT_EQ(dialog.EnabledList()->currentText(), QStringLiteral("無効")) << kind;
        for (QCheckBox* box : {dialog.ScreenBox(), dialog.LogBox(), dialog.BeepBox()}) {
            EXPECT_FALSE(box->isChecked()) << kind;
        }
        for (QLineEdit* edit : {dialog.MessageEdit(), dialog.PopupEdit(), dialog.FileEdit(),
                                dialog.MailEdit(), dialog.SoundEdit()}) {
            EXPECT_TRUE(edit->text().isEmpty()) << kind;
        }
        EXPECT_TRUE(dialog.SoundEdit()->isEnabled()) << kind;
    }
    CEventActionDlg dialog(f.engine, f.prompt, EVENT_NEW_NODE);
    EXPECT_EQ(dialog.FormatsText(),
              QStringLiteral("ノード固有の書式設定として以下の設定が可能です。\n"
                             " [ %LABEL, %IP, %MAC, %HOST, %VEN, %DATE, "
                             "%TIME ]"));
    EXPECT_EQ(test::ReadBytes(EventFile()), "");
}

TEST_F(EventActionDlgTest, OkWritesTheKindsLineAtOnceAndAgainInPlace) {
    {
        CEventActionDlg dialog(f.engine, f.prompt, EVENT_NEW_NODE);
        dialog.show();
        dialog.EnabledList()->setCurrentIndex(1);
        QTest::mouseClick(dialog.ScreenBox(), Qt::LeftButton);
        QTest::mouseClick(dialog.LogBox(), Qt::LeftButton);
        dialog.MessageEdit()->setText(QStringLiteral("新規 %IP %MAC"));
        dialog.PopupEdit()->setText(QStringLiteral("新しいノード %IP (%HOST)"));
        dialog.FileEdit()->setText(QStringLiteral("/usr/bin/logger new %IP"));
        dialog.MailEdit()->setText(QStringLiteral("新規ノード %IP"));
        dialog.SoundEdit()->setText(QStringLiteral("alarm.WAV"));
        ASSERT_TRUE(PressOk(dialog));
        EXPECT_EQ(dialog.Record().enabled, 1);
    }
    const std::string newNode =
        EventLine("0,1,0,1,1," + Sjis("新しいノード %IP (%HOST)") + ",/usr/bin/logger new %IP," +
                  Sjis("新規ノード %IP") + ",,0,alarm.WAV," + Sjis("新規 %IP %MAC") + ",");
    EXPECT_EQ(test::ReadBytes(EventFile()), newNode);

    // A second kind is appended; the beep replaces the sound, whose name is kept.
    {
        CEventActionDlg dialog(f.engine, f.prompt, EVENT_DEVICE_CHANGE);
        dialog.show();
        dialog.EnabledList()->setCurrentIndex(1);
        QTest::mouseClick(dialog.LogBox(), Qt::LeftButton);
        dialog.MessageEdit()->setText(QStringLiteral("機器変更 %IP %MAC"));
        dialog.SoundEdit()->setText(QStringLiteral("x.Wav"));
        QTest::mouseClick(dialog.BeepBox(), Qt::LeftButton);
        ASSERT_TRUE(PressOk(dialog));
    }
    const std::string deviceChange =
        EventLine("5,1,0,0,1,,,,,1,x.Wav," + Sjis("機器変更 %IP %MAC") + ",");
    EXPECT_EQ(test::ReadBytes(EventFile()), newNode + deviceChange);

    // Opened again, the first kind shows what was stored; disabled and stored, its line is
    // replaced where it stands.
    {
        CEventActionDlg dialog(f.engine, f.prompt, EVENT_NEW_NODE);
        dialog.show();
        EXPECT_EQ(dialog.EnabledList()->currentText(), QStringLiteral("有効"));
        EXPECT_TRUE(dialog.ScreenBox()->isChecked());
        EXPECT_EQ(dialog.PopupEdit()->text(), QStringLiteral("新しいノード %IP (%HOST)"));
        EXPECT_EQ(dialog.SoundEdit()->text(), QStringLiteral("alarm.WAV"));
        dialog.EnabledList()->setCurrentIndex(0);
        dialog.PopupEdit()->clear();
        ASSERT_TRUE(PressOk(dialog));
        EXPECT_EQ(dialog.Record().enabled, 0);
    }
    EXPECT_EQ(test::ReadBytes(EventFile()),
              EventLine("0,0,0,1,1,,/usr/bin/logger new %IP," + Sjis("新規ノード %IP") +
                        ",,0,alarm.WAV," + Sjis("新規 %IP %MAC") + ",") +
                  deviceChange);
    EXPECT_TRUE(f.prompt.Boxes().empty());
}

TEST_F(EventActionDlgTest, ARefusedTextKeepsTheDialogOpenAndStoresNothing) {
    struct Case {
        const char* name;
        std::function<void(CEventActionDlg&)> fill;
        const char* message;  // empty: accepted
    };
    const auto sound = [](const char* file) {
        return [file](CEventActionDlg& d) { d.SoundEdit()->setText(QString::fromUtf8(file)); };
    };
    // A pasted ASCII text longer than the limit reaches the size check whole.
    const auto paste = [](QLineEdit* (CEventActionDlg::*edit)() const, QString text) {
        return [edit, text](CEventActionDlg& d) { test::Paste((d.*edit)(), text); };
    };
    const QString ascii129(129, QChar('a'));
    const char* const badSound = "サウンド再生ファイルが不正です。( .wav )";
    const char* const comma = "設定値に , を使用することはできません。";
    const std::vector<Case> cases = {
        {"130-byte Japanese output message",
         [](CEventActionDlg& d) { d.MessageEdit()->setText(LongJapaneseText()); },
         "出力メッセージを128文字以内で入力してください。"},
        {"130-byte Japanese popup message",
         [](CEventActionDlg& d) { d.PopupEdit()->setText(LongJapaneseText()); },
         "ポップアップメッセージを128文字以内で入力してください。"},
        {"130-byte Japanese mail message",
         [](CEventActionDlg& d) { d.MailEdit()->setText(LongJapaneseText()); },
         "メールメッセージを128文字以内で入力してください。"},
        {"129 ASCII characters of output message pasted",
         paste(&CEventActionDlg::MessageEdit, ascii129),
         "出力メッセージを128文字以内で入力してください。"},
        {"129 ASCII characters of popup message pasted",
         paste(&CEventActionDlg::PopupEdit, ascii129),
         "ポップアップメッセージを128文字以内で入力してください。"},
        {"a 200-character path pasted",
         paste(&CEventActionDlg::FileEdit, "/opt/" + QString(195, QChar('p'))),
         "ファイル起動パスを128文字以内で入力してください。"},
        {"129 ASCII characters of mail message pasted", paste(&CEventActionDlg::MailEdit, ascii129),
         "メールメッセージを128文字以内で入力してください。"},
        {"a 200-character sound file pasted",
         paste(&CEventActionDlg::SoundEdit, QString(196, QChar('s')) + ".wav"),
         "サウンド再生のファイル指定を128文字以内で入力してください。"},
        {"external file with a comma",
         [](CEventActionDlg& d) { d.FileEdit()->setText(QStringLiteral("/bin/x %IP,%MAC")); },
         comma},
        {"the output message is checked before the popup",
         [](CEventActionDlg& d) {
             d.MessageEdit()->setText(QStringLiteral("a,b"));
             d.PopupEdit()->setText(LongJapaneseText());
         },
         comma},
        {"alarm.wave", sound("alarm.wave"), badSound},
        {".wav", sound(".wav"), badSound},
        {"a.mp3", sound("a.mp3"), badSound},
        {"a.mp3 behind the beep",
         [](CEventActionDlg& d) {
             d.SoundEdit()->setText(QStringLiteral("a.mp3"));
             QTest::mouseClick(d.BeepBox(), Qt::LeftButton);
         },
         badSound},
        {"alarm.WAV", sound("alarm.WAV"), ""},
        {"x.Wav", sound("x.Wav"), ""},
        {"128 ASCII characters pasted", paste(&CEventActionDlg::FileEdit, QString(128, QChar('p'))),
         ""},
        {"128 bytes of Japanese",
         [](CEventActionDlg& d) { d.MessageEdit()->setText(QString(64, QChar(0x691C))); }, ""},
    };
    for (const Case& c : cases) {
        f.prompt.Clear();
        const std::string before = test::ReadBytes(EventFile());
        CEventActionDlg dialog(f.engine, f.prompt, EVENT_NODE_UP);
        dialog.show();
        dialog.EnabledList()->setCurrentIndex(1);
        c.fill(dialog);
        const bool accepted = PressOk(dialog);
        EXPECT_EQ(accepted, *c.message == '\0') << c.name;
        if (accepted) {
            EXPECT_TRUE(f.prompt.Boxes().empty()) << c.name;
            EXPECT_EQ(f.engine.ReadEventSettings(EVENT_NODE_UP).enabled, 1) << c.name;
            // Put back for the next case.
            ASSERT_EQ(f.engine.PutEventSettings(EVENT_NODE_UP, {}).outcome,
                      CommandResult::DONE);
            continue;
        }
        EXPECT_EQ(f.prompt.Texts(), std::vector<std::string>{Sjis(c.message)}) << c.name;
        EXPECT_EQ(f.prompt.Boxes().front().icon, PromptIcon::Stop) << c.name;
        EXPECT_TRUE(dialog.isVisible()) << c.name;
        EXPECT_EQ(test::ReadBytes(EventFile()), before) << c.name;
    }
}

TEST_F(EventActionDlgTest, TheBeepDisablesTheSoundFile) {
    EventSettings record;
    record.beep = 1;
    record.soundFile = "bell.wav";
    ASSERT_EQ(f.engine.PutEventSettings(EVENT_NODE_DOWN, record).outcome,
              CommandResult::DONE);
    CEventActionDlg dialog(f.engine, f.prompt, EVENT_NODE_DOWN);
    dialog.show();
    EXPECT_TRUE(dialog.BeepBox()->isChecked());
    EXPECT_FALSE(dialog.SoundEdit()->isEnabled());
    EXPECT_EQ(dialog.SoundEdit()->text(), QStringLiteral("bell.wav"));
    QTest::mouseClick(dialog.BeepBox(), Qt::LeftButton);
    EXPECT_TRUE(dialog.SoundEdit()->isEnabled());
    QTest::mouseClick(dialog.BeepBox(), Qt::LeftButton);
    EXPECT_FALSE(dialog.SoundEdit()->isEnabled());
}

TEST(EventActionDlgStoreTest, ARecordThatCannotBeWrittenKeepsTheDialogOpen) {
    test::TempProgramFolder folder;
    // A folder where the file belongs: every open fails (the retries do not wait here).
    test::BlockedFile blocked(EventFile());
    test::RecordingPrompt prompt;
    test::RecordingPopup popup;
    test::RecordingDesktopActions desktop;
    MonitorEngine engine({prompt, popup, desktop}, test::FrameEngineOptions(folder));
    CEventActionDlg dialog(engine, prompt, EVENT_NEW_NODE);
    dialog.show();
    dialog.EnabledList()->setCurrentIndex(1);
    dialog.PopupEdit()->setText(QStringLiteral("新規 %IP"));
    prompt.Clear();
    EXPECT_FALSE(PressOk(dialog));
    // The store said why; what was typed stays for another try.
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{Sjis("EventDB Access Error。")});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.PopupEdit()->text(), QStringLiteral("新規 %IP"));
    EXPECT_EQ(dialog.Record().enabled, 0);
}

TEST_F(EventActionDlgTest, CancelStoresNothing) {
    const std::string before = test::ReadBytes(EventFile());
    CEventActionDlg dialog(f.engine, f.prompt, EVENT_SNIFFING_NODE);
    dialog.show();
    dialog.EnabledList()->setCurrentIndex(1);
    dialog.PopupEdit()->setText(QStringLiteral("盗聴 %IP"));
    test::ClickBox(dialog, QDialogButtonBox::Cancel);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(test::ReadBytes(EventFile()), before);
    EXPECT_EQ(f.engine.ReadEventSettings(EVENT_SNIFFING_NODE), EventSettings{});
}

}  // namespace
}  // namespace halvera
