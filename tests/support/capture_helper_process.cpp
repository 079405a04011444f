#include "support/capture_helper_process.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "base/clean_spawn.h"
#include "capture/capture_channel.h"
#include "support/lab_packet_driver.h"

namespace halvera::test {

CaptureHelperProcess::CaptureHelperProcess() {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return;
    }
    m_pid = SpawnCleanOnChannel({BuildCaptureHelper().string()}, pair[1]).pid;
    close(pair[1]);
    m_fd = pair[0];
}

CaptureHelperProcess::~CaptureHelperProcess() {
    if (End() < 0 && m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool CaptureHelperProcess::WriteRaw(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> CaptureHelperProcess::Ask(
    std::span<const std::uint8_t> body) {
    if (!WriteMessage(m_fd, body)) {
        return std::nullopt;
    }
    return Reply();
}

std::optional<std::vector<std::uint8_t>> CaptureHelperProcess::Reply() {
    std::vector<std::uint8_t> reply;
    if (ReadMessage(m_fd, MAX_CAPTURE_MESSAGE, reply) != ChannelRead::Message) {
        return std::nullopt;
    }
    return reply;
}

int CaptureHelperProcess::End() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (m_pid <= 0) {
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<CaptureRefusal> RefusalOf(const std::vector<std::uint8_t>& reply) {
    if (reply.size() < 2 || reply[0] != static_cast<std::uint8_t>(CaptureReply::Refused)) {
        return std::nullopt;
    }
    return static_cast<CaptureRefusal>(reply[1]);
}

std::vector<std::uint8_t> CaptureHello() {
    return MessageWriter(static_cast<std::uint8_t>(CaptureRequest::Hello))
        .U16(CAPTURE_PROTOCOL_VERSION)
        .Take();
}

}  // namespace halvera::test
