#include "dialogs/action_range_dlg.h"

#include <gtest/gtest.h>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "base/text_codec.h"
#include "dialog_clicks.h"
#include "support/recording_prompt.h"

namespace halvera {
namespace {

TEST(ActionRangeDlg, OkTakesTwoAddressesWithTheStartNotAboveTheEnd) {
    struct Case {
        const char* start;
        const char* end;
        bool accepted;
    };
    const Case cases[] = {
        {"198.18.7.1", "198.18.7.254", true},
        {"198.18.7.20", "198.18.7.20", true},  // a single address
        {"198.18.7.9", "198.18.7.1", false},
        // Compared as numbers, not as texts: "10.0.0.9" sorts after "10.0.0.10".
        {"10.0.0.9", "10.0.0.10", true},
        {"10.0.1.0", "10.0.0.255", false},
        {"198.18.7", "198.18.7.9", false},
        {"", "", false},
        {"198.18.7.300", "198.18.7.301", false},
    };
    for (const Case& c : cases) {
        test::RecordingPrompt prompt;
        CActionRangeDlg dialog(prompt);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Halvera: Event action node"));
        dialog.StartEdit()->setText(QString::fromUtf8(c.start));
        dialog.EndEdit()->setText(QString::fromUtf8(c.end));
        test::ClickBox(dialog, QDialogButtonBox::Ok);
        const std::string name = std::string(c.start) + " - " + c.end;
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << name;
        EXPECT_EQ(dialog.isVisible(), !c.accepted) << name;
        if (c.accepted) {
            EXPECT_TRUE(prompt.Boxes().empty()) << name;
            EXPECT_EQ(dialog.Range().start, InetAddr(c.start)) << name;
            EXPECT_EQ(dialog.Range().end, InetAddr(c.end)) << name;
        } else {
            EXPECT_EQ(prompt.Texts(), std::vector<std::string>{Sjis("アドレス範囲が不正です。")})
                << name;
            EXPECT_EQ(prompt.Boxes().front().icon, PromptIcon::Stop) << name;
        }
    }
}

}  // namespace
}  // namespace halvera
