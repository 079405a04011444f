#include "dialogs/node_search_dlg.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/text_codec.h"
#include "frame_fixture.h"
#include "support/recording_prompt.h"
#include "support/scripted_resolver.h"

namespace halvera {
namespace {

const Ipv4 OWN_IP = MakeIp(192, 168, 0, 2);
const Ipv4 MASK = MakeIp(255, 255, 255, 0);

TEST(NodeSearchDlg, OkChecksTheTextAndEndsOrStays) {
    struct Case {
        const char* text;
        bool staysOpen;
        QDialog::DialogCode result;
        Ipv4 address;
        const char* message;
    };
    const Case cases[] = {
        {"", true, QDialog::Rejected, 0, "検索するノードを指定してください。"},
        {"no-such-node", false, QDialog::Rejected, 0,
         "ノード検索が行えませんでした。（名前の変換に失敗しました）"},
        {"192.168.0.255", false, QDialog::Rejected, 0, "検索指定先が不正です。"},
        {"10.0.0.5", false, QDialog::Rejected, 0, "サブネット外のノードは検索できません。"},
        {"pc01", false, QDialog::Accepted, MakeIp(192, 168, 0, 20), ""},
        {"192.168.0.77", false, QDialog::Accepted, MakeIp(192, 168, 0, 77), ""},
    };
    for (const auto& c : cases) {
        test::RecordingPrompt prompt;
        test::ScriptedResolver resolver;
        CNodeSearchDlg dialog(prompt, resolver, OWN_IP, MASK);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Halvera: Node Search"));
        dialog.show();
        dialog.NodeEdit()->setText(QString::fromUtf8(c.text));
        QTest::keyClick(dialog.NodeEdit(), Qt::Key_Return);

        EXPECT_EQ(dialog.isVisible(), c.staysOpen) << c.text;
        if (!c.staysOpen) {
            EXPECT_EQ(dialog.result(), c.result) << c.text;
        }
        EXPECT_EQ(dialog.Address(), c.address) << c.text;
        if (*c.message == '\0') {
            EXPECT_TRUE(prompt.Boxes().empty()) << c.text;
        } else {
            ASSERT_EQ(prompt.Boxes().size(), 1u) << c.text;
            EXPECT_EQ(prompt.Texts()[0], Sjis(c.message)) << c.text;
            EXPECT_EQ(prompt.Boxes()[0].icon, PromptIcon::Stop) << c.text;
        }
    }
}

TEST(NodeSearchDlg, TheCommandSearchesTheAddressTheDialogGives) {
    test::FrameFixture f;
    test::ScriptedResolver resolver;
    f.engine.resolver = &resolver;
    f.engine.localAdapter = LocalAdapterInfo{OWN_IP, MASK, {}};
    CMainFrame frame(f.services, 20);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

    struct Case {
        const char* text;
        std::vector<Ipv4> searched;
    };
    const Case cases[] = {
        {"192.168.0.20", {MakeIp(192, 168, 0, 20)}},
        // Refused: the dialog ends with Cancel and nothing is searched.
        {"172.16.0.1", {}},
    };
    for (const auto& c : cases) {
        f.runs.nodeRefreshes.clear();
        frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CNodeSearchDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            dialog->NodeEdit()->setText(QString::fromUtf8(c.text));
            dialog->accept();
        });
        QTest::keyClick(&frame, Qt::Key_D, Qt::ControlModifier);
        EXPECT_TRUE(seen) << c.text;
        EXPECT_EQ(f.runs.nodeRefreshes, c.searched) << c.text;
    }
}

}  // namespace
}  // namespace halvera
