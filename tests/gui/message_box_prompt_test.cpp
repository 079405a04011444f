#include "app/message_box_prompt.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

#include "base/text_codec.h"

namespace halvera {
namespace {

// What a box looked like when the answering timer found it.
struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool onGuiThread = false;
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

}  // namespace
}  // namespace halvera
