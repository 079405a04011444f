#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "events/popup_relay.h"
#include "support/popup_program.h"
#include "support/recording_error_log.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using namespace std::chrono_literals;

const Ipv4 LOOPBACK = MakeIp(127, 0, 0, 1);

// The relay with the real popup program, offscreen (the suite's platform is inherited).
TEST(PopupRelayWithBrevlet, StartsTheProgramDeliversAndEndsIt) {
    if (!std::filesystem::exists(test::BuiltBrevlet())) {
        GTEST_SKIP() << "the popup program was not built";
    }
    if (!test::PopupPortFree()) {
        GTEST_SKIP() << "UDP port 20100 is taken on this machine";
    }
    test::TempProgramFolder folder;
    std::filesystem::create_symlink(test::BuiltBrevlet(), BinFolder() / "Brevlet");
    test::RecordingErrorLog errorLog;
    PopupRelay relay(LOOPBACK, errorLog);
    relay.InitPopupRelay();

    // The first message starts the program and waits until it is ready.
    EXPECT_EQ(relay.ShowPopupMessage(Sjis("新規ノード検出 10.0.0.5")), PopupDelivery::ACKNOWLEDGED);
    pid_t first = relay.PopupProcess();
    ASSERT_GT(first, 0);
    EXPECT_EQ(relay.ShowPopupMessage("node up"), PopupDelivery::ACKNOWLEDGED);
    EXPECT_EQ(relay.PopupProcess(), first);

    // Closed from outside: the next message starts it again.
    ::kill(first, SIGKILL);
    ASSERT_TRUE(test::WaitForNoProgram(relay));
    EXPECT_EQ(relay.ShowPopupMessage("node down"), PopupDelivery::ACKNOWLEDGED);
    pid_t second = relay.PopupProcess();
    EXPECT_GT(second, 0);
    EXPECT_NE(second, first);

    relay.EndPopupProgram();
    EXPECT_EQ(relay.PopupProcess(), 0);
    EXPECT_TRUE(test::ProcessGone(second));
    EXPECT_TRUE(errorLog.Lines().empty());
}

}  // namespace
}  // namespace halvera
