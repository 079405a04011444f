#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "base/clean_spawn.h"
#include "capture/capture_protocol.h"
#include "support/capture_helper_process.h"
#include "support/lab_packet_driver.h"

// The build's halvera-capture itself: what it does with requests that need no adapter open,
// and how it ends. Nothing here sends a frame.
namespace halvera {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::RefusalOf;

Bytes Prefixed(std::uint32_t length, const Bytes& body) {
    Bytes bytes = MessageWriter(static_cast<std::uint8_t>(length >> 24))
                      .U8(static_cast<std::uint8_t>(length >> 16))
                      .U16(static_cast<std::uint16_t>(length))
                      .Take();
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

TEST(CaptureHelper, RefusesBadMessagesAndGoesOnServing) {
    const struct {
        const char* name;
        Bytes raw;  // length prefix included
        CaptureRefusal refusal;
    } cases[] = {
        {"longer than its limit", Prefixed(2 << 20, Bytes(2 << 20, 0x05)), CaptureRefusal::TooLong},
        {"garbage", Prefixed(6, {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01}),
         CaptureRefusal::UnknownRequest},
        {"empty message", Prefixed(0, {}), CaptureRefusal::Malformed},
        {"truncated open", Prefixed(3, {0x04, 0x00, 0x00}), CaptureRefusal::Malformed},
        {"adapter not in its list", Prefixed(5, {0x04, 0x00, 0x00, 0x27, 0x0F}),
         CaptureRefusal::NoSuchAdapter},
        {"send without an open adapter", Prefixed(5 + 42, Bytes(5 + 42, 0x05)),
         CaptureRefusal::NotOpen},
        {"hello again with another version", Prefixed(3, {0x01, 0x7F, 0x7F}),
         CaptureRefusal::WrongVersion},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::CaptureHelperProcess helper;
        ASSERT_TRUE(helper.Started());
        const auto hello = helper.Ask(test::CaptureHello());
        ASSERT_TRUE(hello.has_value());
        ASSERT_EQ((*hello)[0], static_cast<std::uint8_t>(CaptureReply::Hello));
        ASSERT_TRUE(helper.WriteRaw(c.raw));
        const auto reply = helper.Reply();
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(RefusalOf(*reply), c.refusal);
        const Bytes list{static_cast<std::uint8_t>(CaptureRequest::ListAdapters)};
        const auto after = helper.Ask(list);
        if (c.refusal == CaptureRefusal::WrongVersion) {
            // A front end of another version is told so and left.
            EXPECT_FALSE(after.has_value());
            EXPECT_EQ(helper.End(), 0);
        } else {
            ASSERT_TRUE(after.has_value());
            EXPECT_EQ((*after)[0], static_cast<std::uint8_t>(CaptureReply::Adapters));
        }
    }
}

TEST(CaptureHelper, EndsWhenItsFrontEndIsKilled) {
    // Orphans come to this process, so the helper can be reaped (and seen gone) here.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int pidPipe[2];
    ASSERT_EQ(pipe(pidPipe), 0);
    const pid_t frontEnd = fork();
    if (frontEnd == 0) {
        int pair[2];
        socketpair(AF_UNIX, SOCK_STREAM, 0, pair);
        const pid_t helper =
            SpawnCleanOnChannel({test::BuildCaptureHelper().string()}, pair[1]).pid;
        (void)!write(pidPipe[1], &helper, sizeof helper);
        pause();
        _exit(0);
    }
    close(pidPipe[1]);
    pid_t helper = -1;
    ASSERT_EQ(read(pidPipe[0], &helper, sizeof helper), static_cast<ssize_t>(sizeof helper));
    close(pidPipe[0]);
    ASSERT_GT(helper, 0);
    kill(frontEnd, SIGKILL);
    waitpid(frontEnd, nullptr, 0);
    bool ended = false;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         !ended && std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
        ended = waitpid(helper, nullptr, WNOHANG) == helper;
    }
    if (!ended) {
        kill(helper, SIGKILL);
        waitpid(helper, nullptr, 0);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_TRUE(ended) << "halvera-capture outlived the process that started it";
}

TEST(CaptureHelper, RefusesToRunWithoutASocketToItsFrontEnd) {
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t helper = SpawnCleanOnChannel({test::BuildCaptureHelper().string()}, devNull).pid;
    close(devNull);
    ASSERT_GT(helper, 0);
    int status = 0;
    ASSERT_EQ(waitpid(helper, &status, 0), helper);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
}  // namespace halvera
