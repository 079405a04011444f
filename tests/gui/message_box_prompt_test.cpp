#include "app/message_box_prompt.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <QDialogButtonBox>
#include <QLineEdit>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "base/text_codec.h"
#include "dialogs/action_range_dlg.h"
#include "dialogs/event_action_dlg.h"
#include "dialogs/event_setting_dlg.h"
#include "dialogs/mail_setting_dlg.h"
#include "frame_fixture.h"
#include "store/event_kind.h"

namespace halvera {
namespace {

// What a box looked like when the answering timer found it.
struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool onGuiThread = false;
    QWidget* parent = nullptr;
};

// Answers the next message box that opens with the given button and records it.
class BoxAnswerer {
  public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            m_timer.stop();
            seen.caption = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            seen.buttons = box->standardButtons();
            seen.onGuiThread = box->thread() == QApplication::instance()->thread();
            seen.parent = box->parentWidget();
            box->button(answer)->click();
        });
        m_timer.start(10);
    }

    SeenBox seen;

  private:
    QTimer m_timer;
};

struct PromptCase {
    const char* name;
    PromptIcon icon;
    PromptButtons buttons;
    QMessageBox::StandardButton click;
    QMessageBox::Icon expectedIcon;
    QMessageBox::StandardButtons expectedButtons;
    PromptResult expectedResult;
};

const PromptCase PROMPT_CASES[] = {
    {"stop box", PromptIcon::Stop, PromptButtons::Ok, QMessageBox::Ok, QMessageBox::Critical,
     QMessageBox::Ok, PROMPT_OK},
    {"question answered OK", PromptIcon::Information, PromptButtons::OkCancel, QMessageBox::Ok,
     QMessageBox::Information, QMessageBox::Ok | QMessageBox::Cancel, PROMPT_OK},
    {"question cancelled", PromptIcon::Information, PromptButtons::OkCancel, QMessageBox::Cancel,
     QMessageBox::Information, QMessageBox::Ok | QMessageBox::Cancel, PROMPT_CANCEL},
};

void ExpectBox(const PromptCase& c, const SeenBox& seen, PromptResult result) {
    EXPECT_EQ(seen.caption, QStringLiteral("Halvera - v1.00")) << c.name;
    EXPECT_EQ(seen.text, QStringLiteral("削除するノードを選択してください。")) << c.name;
    EXPECT_EQ(seen.icon, c.expectedIcon) << c.name;
    EXPECT_EQ(seen.buttons, c.expectedButtons) << c.name;
    EXPECT_TRUE(seen.onGuiThread) << c.name;
    EXPECT_EQ(result, c.expectedResult) << c.name;
}

TEST(MessageBoxPrompt, AWorkerWaitsForTheBoxOnTheGuiThread) {
    MessageBoxPrompt prompt;
    for (const auto& c : PROMPT_CASES) {
        BoxAnswerer answerer(c.click);
        std::atomic<bool> answered{false};
        PromptResult result = PROMPT_CANCEL;
        std::thread worker([&] {
            result =
                prompt.ShowMessage(Sjis("削除するノードを選択してください。"), c.icon, c.buttons);
            answered = true;
        });
        // The GUI thread stays free while the worker waits: it runs the box.
        EXPECT_TRUE(QTest::qWaitFor([&] { return answered.load(); }, 10000)) << c.name;
        worker.join();
        ExpectBox(c, answerer.seen, result);
    }
}

TEST(MessageBoxPrompt, TheGuiThreadShowsTheBoxDirectly) {
    MessageBoxPrompt prompt;
    for (const auto& c : PROMPT_CASES) {
        BoxAnswerer answerer(c.click);
        const PromptResult result =
            prompt.ShowMessage(Sjis("削除するノードを選択してください。"), c.icon, c.buttons);
        ExpectBox(c, answerer.seen, result);
    }
}

TEST(MessageBoxPrompt, TheStopBoxesOfTheEventAndMailDialogsBelongToTheDialog) {
    test::FrameFixture f;
    QWidget mainWindow;
    mainWindow.show();
    MessageBoxPrompt prompt;
    prompt.SetOwner(&mainWindow);
    // The event settings dialog opens the others, each modal over it.
    CEventSettingDlg settingsDialog(
        f.engine, prompt, [](QWidget*) {}, &mainWindow);
    settingsDialog.setModal(true);
    settingsDialog.show();
    const auto ok = [](QDialog& dialog) {
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
    struct Case {
        const char* name;
        std::function<std::unique_ptr<QDialog>()> open;  // and fill
        std::function<void(QDialog&)> press;
        const char* message;
    };
    const Case cases[] = {
        {"event action, a comma",
         [&] {
             auto dialog = std::make_unique<CEventActionDlg>(f.engine, prompt, EVENT_NODE_UP,
                                                             &settingsDialog);
             dialog->MessageEdit()->setText(QStringLiteral("a,b"));
             return dialog;
         },
         ok, "設定値に , を使用することはできません。"},
        {"action node range, start above end",
         [&] {
             auto dialog = std::make_unique<CActionRangeDlg>(prompt, &settingsDialog);
             dialog->StartEdit()->setText(QStringLiteral("192.168.0.9"));
             dialog->EndEdit()->setText(QStringLiteral("192.168.0.1"));
             return dialog;
         },
         ok, "アドレス範囲が不正です。"},
        {"mail, OK with a 37-byte SMTP server",
         [&] {
             auto dialog = std::make_unique<CMailSettingDlg>(f.engine, prompt, &settingsDialog);
             dialog->SmtpServerEdit()->setText(QString(35, QChar('a')) + QStringLiteral("あ"));
             return dialog;
         },
         ok, "smtpサーバーのデータサイズが不正です。(36Byteまで)"},
        {"mail, test send without an SMTP server",
         [&] { return std::make_unique<CMailSettingDlg>(f.engine, prompt, &settingsDialog); },
         [](QDialog& dialog) { static_cast<CMailSettingDlg&>(dialog).TestButton()->click(); },
         "smtpサーバーを設定してください。"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QDialog> dialog = c.open();
        dialog->setModal(true);
        dialog->show();
        BoxAnswerer answerer(QMessageBox::Ok);
        c.press(*dialog);
        EXPECT_EQ(answerer.seen.text, QString::fromUtf8(c.message)) << c.name;
        EXPECT_EQ(answerer.seen.icon, QMessageBox::Critical) << c.name;
        EXPECT_EQ(answerer.seen.parent, dialog.get()) << c.name;
        EXPECT_TRUE(dialog->isVisible()) << c.name;
    }

    // With no dialog open, a box belongs to the main window.
    settingsDialog.close();
    BoxAnswerer answerer(QMessageBox::Ok);
    ShowStop(prompt, Sjis("削除するノードを選択してください。"));
    EXPECT_EQ(answerer.seen.parent, &mainWindow);
}

}  // namespace
}  // namespace halvera
