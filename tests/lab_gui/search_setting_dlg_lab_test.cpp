#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "base/ip_address.h"
#include "base/text_codec.h"
#include "dialogs/search_address_dlg.h"
#include "dialogs/search_setting_dlg.h"
#include "monitor/monitor_engine.h"
#include "support/lab_fixture.h"
#include "support/lab_packet_driver.h"
#include "support/recording_desktop_actions.h"
#include "support/recording_popup.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using test::Lab;

void PressOk(QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
}

// The program on a fresh folder in the lab's own host, searching through libpcap, its
// adapter first set to the own host's side adapter, off the segment.
class SearchSettingDlgLab : public test::LabFixture {
  protected:
    void SetUp() override {
        LabFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        MonitorEngineOptions options;
        options.registryPath = m_folder.Path() / "datareg.reg";
        options.driver = test::LabPacketDriver();
        m_engine = std::make_unique<MonitorEngine>(MonitorPorts{m_prompt, m_popup, m_desktop},
                                                   std::move(options));
        ASSERT_TRUE(m_engine->Open());
        const auto adapters = m_engine->ListAdapters();
        ASSERT_TRUE(adapters.has_value());
        for (std::size_t i = 0; i < adapters->size(); ++i) {
            const std::string& name = (*adapters)[i].name;
            (name == "eth0" ? m_segment : name == "side0" ? m_side : m_other) = static_cast<int>(i);
        }
        ASSERT_GE(m_segment, 0);
        ASSERT_GE(m_side, 0);
        SearchSettingsEntry side = SearchSettingsEntryOf(m_engine->Settings().App());
        side.adapter = m_side;
        ASSERT_EQ(m_engine->ApplySearchSettings(side).outcome,
                  CommandResult::DONE);
        m_engine->PrepareRuns();
        m_engine->LoadLists(StartupLists::All, nullptr);
        m_services = std::make_unique<AppServices>(AppServices{*m_engine, m_prompt});
        m_frame = std::make_unique<CMainFrame>(*m_services, 50);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void TearDown() override {
        m_frame.reset();
        if (m_engine) {
            m_engine->Close();
        }
        LabFixture::TearDown();
    }

    // The range search command (Ctrl+A), then the event loop runs until the search says it
    // has finished.
    bool SearchAllRanges() {
        const std::string finished = Sjis("検索処理が終了しました。");
        const auto saidFinished = [&] {
            const auto texts = m_prompt.Texts();
            return std::count(texts.begin(), texts.end(), finished);
        };
        const auto before = saidFinished();
        m_frame->Actions().Trigger(ID_SEARCH_ALL_RANGES);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        while (saidFinished() == before && std::chrono::steady_clock::now() < deadline) {
            QTest::qWait(50);
        }
        QTest::qWait(100);
        EXPECT_GT(saidFinished(), before) << testing::PrintToString(m_prompt.Texts());
        return saidFinished() > before && !m_engine->Runner().IsRunActive();
    }

    std::vector<std::string> ListedAddresses() {
        std::vector<std::string> addresses;
        for (const NodeEntry& node : m_engine->Tables().nodeList.Snapshot()) {
            addresses.push_back(FormatIp(node.ip));
        }
        return addresses;
    }

    test::TempProgramFolder m_folder;
    test::RecordingPrompt m_prompt;
    test::RecordingPopup m_popup;
    test::RecordingDesktopActions m_desktop;
    std::unique_ptr<MonitorEngine> m_engine;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<CMainFrame> m_frame;
    int m_segment = -1;
    int m_side = -1;
    int m_other = -1;
};

TEST_F(SearchSettingDlgLab, ARangeAndAnAdapterChosenInTheDialogAreWhatCtrlASearches) {
    const auto normal = Lab::Get().Hosts("normal");
    ASSERT_GE(normal.size(), 2u);
    // Both normal hosts, not the own host.
    const QString start = QStringLiteral("198.18.7.17");
    const QString end = QStringLiteral("198.18.7.30");

    // Works the search settings dialog opened by its command: the adapter at this ADPNUM,
    // with a range added through the range dialog when `addRange`.
    const auto setThroughDialog = [&](int adapter, bool addRange) {
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CSearchSettingDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->AdapterList()->setCurrentIndex(adapter);
            if (addRange) {
                QTimer::singleShot(0, [&] {
                    auto* range =
                        qobject_cast<CSearchAddressDlg*>(QApplication::activeModalWidget());
                    ASSERT_NE(range, nullptr);
                    range->StartEdit()->setText(start);
                    range->EndEdit()->setText(end);
                    PressOk(*range);
                });
                QTest::mouseClick(dialog->AddButton(), Qt::LeftButton);
            }
            PressOk(*dialog);
            driven = !dialog->isVisible();
        });
        m_frame->Actions().Trigger(ID_SEARCH_SETTINGS);
        EXPECT_TRUE(driven);
        EXPECT_EQ(m_engine->Settings().App().ADPNUM, adapter);
    };

    // Through the side adapter nothing of the segment is searched.
    setThroughDialog(m_side, true);
    ASSERT_TRUE(SearchAllRanges());
    EXPECT_TRUE(ListedAddresses().empty());

    setThroughDialog(m_segment, false);
    ASSERT_TRUE(SearchAllRanges());
    std::vector<std::string> expected = {FormatIp(normal[0].address), FormatIp(normal[1].address)};
    std::sort(expected.begin(), expected.end());
    auto listed = ListedAddresses();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace halvera
