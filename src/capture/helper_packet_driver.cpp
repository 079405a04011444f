#include "capture/helper_packet_driver.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/clean_spawn.h"
#include "capture/capture_channel.h"
#include "capture/interface_adapters.h"

namespace halvera {
namespace {

// How long a helper told to end (its socket closed) gets before it is killed.
constexpr auto HELPER_END_WAIT = std::chrono::seconds(2);

std::uint8_t Type(CaptureRequest request) {
    return static_cast<std::uint8_t>(request);
}

void EndProcess(pid_t process) {
    const auto deadline = std::chrono::steady_clock::now() + HELPER_END_WAIT;
    while (waitpid(process, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(process, SIGKILL);
            waitpid(process, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

HelperPacketDriver::HelperPacketDriver(HelperRoute route) : m_route(std::move(route)) {}

HelperPacketDriver::~HelperPacketDriver() {
    std::lock_guard lock(m_mutex);
    Disconnect();
}

pid_t HelperPacketDriver::HelperProcess() const {
    std::lock_guard lock(m_mutex);
    return m_helper;
}

std::optional<RawSocketCheck> HelperPacketDriver::Reach() {
    if (m_fd >= 0) {
        return std::nullopt;
    }
    auto failure = m_route.serviceSocket.empty() ? StartHelper() : ConnectService();
    if (failure) {
        return failure;
    }
    const auto hello =
        MessageWriter(Type(CaptureRequest::Hello)).U16(CAPTURE_PROTOCOL_VERSION).Take();
    const auto reply = ExchangeLocked(hello, CaptureReply::Hello);
    MessageReader reader(reply ? std::span<const std::uint8_t>(*reply)
                               : std::span<const std::uint8_t>());
    std::uint16_t version = 0;
    if (!reply || !reader.U16(version) || version != CAPTURE_PROTOCOL_VERSION) {
        Disconnect();
        return RawSocketCheck::HelperMissing;
    }
    return std::nullopt;
}

std::optional<RawSocketCheck> HelperPacketDriver::StartHelper() {
    bool refused = false;
    for (const auto& program : m_route.programs) {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            return RawSocketCheck::HelperMissing;
        }
        const SpawnResult started = SpawnCleanOnChannel({program.string()}, pair[1]);
        close(pair[1]);
        if (started.pid > 0) {
            m_fd = pair[0];
            m_helper = started.pid;
            return std::nullopt;
        }
        close(pair[0]);
        // A helper that is there but not ours to run is the group's business; a later
        // path is still worth a try (the installed one beside a build tree's).
        refused = refused || started.error == EACCES || started.error == EPERM;
    }
    return refused ? RawSocketCheck::HelperNotPermitted : RawSocketCheck::HelperMissing;
}

std::optional<RawSocketCheck> HelperPacketDriver::ConnectService() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = m_route.serviceSocket.string();
    if (path.size() >= sizeof address.sun_path) {
        return RawSocketCheck::HelperMissing;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return RawSocketCheck::HelperMissing;
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close(fd);
        return error == EACCES || error == EPERM ? RawSocketCheck::HelperNotPermitted
                                                 : RawSocketCheck::HelperMissing;
    }
    m_fd = fd;
    return std::nullopt;
}

void HelperPacketDriver::Disconnect() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (m_helper > 0) {
        EndProcess(m_helper);
        m_helper = 0;
    }
}

std::optional<std::vector<std::uint8_t>> HelperPacketDriver::ExchangeLocked(
    std::span<const std::uint8_t> request, CaptureReply expected) {
    std::vector<std::uint8_t> reply;
    if (!WriteMessage(m_fd, request) ||
        ReadMessage(m_fd, MAX_CAPTURE_MESSAGE, reply) != ChannelRead::Message) {
        // Out of step or gone: the next call starts afresh.
        Disconnect();
        return std::nullopt;
    }
    if (reply.empty() || reply[0] != static_cast<std::uint8_t>(expected)) {
        return std::nullopt;
    }
    reply.erase(reply.begin());
    return reply;
}

std::optional<std::vector<std::uint8_t>> HelperPacketDriver::Exchange(
    std::span<const std::uint8_t> request, CaptureReply expected) {
    std::lock_guard lock(m_mutex);
    if (Reach()) {
        return std::nullopt;
    }
    return ExchangeLocked(request, expected);
}

bool HelperPacketDriver::DoneRequest(CaptureRequest request) {
    const std::uint8_t body[] = {Type(request)};
    const auto reply = Exchange(body, CaptureReply::Done);
    return reply && reply->size() == 1 && (*reply)[0] == 1;
}

RawSocketCheck HelperPacketDriver::TryRawSocket() {
    std::lock_guard lock(m_mutex);
    if (auto failure = Reach()) {
        return *failure;
    }
    const std::uint8_t body[] = {Type(CaptureRequest::CheckRights)};
    const auto reply = ExchangeLocked(body, CaptureReply::Rights);
    if (!reply || reply->size() != 1) {
        return RawSocketCheck::HelperMissing;
    }
    switch (static_cast<RawSocketCheck>((*reply)[0])) {
        case RawSocketCheck::Allowed:
            return RawSocketCheck::Allowed;
        case RawSocketCheck::OptionRefused:
            return RawSocketCheck::OptionRefused;
        default:
            return RawSocketCheck::SocketRefused;
    }
}

std::optional<std::vector<CaptureAdapter>> HelperPacketDriver::Adapters() {
    std::optional<std::vector<std::uint8_t>> reply;
    {
        std::lock_guard lock(m_mutex);
        if (Reach()) {
            // Choosing an adapter needs no right: a user outside the helper's group still
            // sees the list that the helper would open by.
            std::string error;
            return ListInterfaceAdapters(error);
        }
        const std::uint8_t body[] = {Type(CaptureRequest::ListAdapters)};
        reply = ExchangeLocked(body, CaptureReply::Adapters);
    }
    if (!reply) {
        return std::nullopt;
    }
    MessageReader reader(*reply);
    return ReadAdapters(reader);
}

bool HelperPacketDriver::Open(int adapterIndex) {
    if (adapterIndex < 0) {
        return false;
    }
    const auto body = MessageWriter(Type(CaptureRequest::Open))
                          .U32(static_cast<std::uint32_t>(adapterIndex))
                          .Take();
    const auto reply = Exchange(body, CaptureReply::Done);
    return reply && reply->size() == 1 && (*reply)[0] == 1;
}

bool HelperPacketDriver::Send(std::span<const std::uint8_t> frame) {
    return SendBatch(frame, frame.size(), MAX_CAPTURE_RATE) == 1;
}

int HelperPacketDriver::SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize,
                                  int framesPerSecond) {
    if (frameSize != CAPTURE_FRAME_SIZE || frames.size() < frameSize) {
        return 0;
    }
    // A round bigger than one message goes in as many messages as it needs.
    const std::size_t perMessage = (MAX_CAPTURE_MESSAGE - 16) / frameSize * frameSize;
    int sent = 0;
    for (std::size_t at = 0; at + frameSize <= frames.size(); at += perMessage) {
        const auto part =
            frames.subspan(at, std::min(perMessage, frames.size() - at) / frameSize * frameSize);
        const auto body = MessageWriter(Type(CaptureRequest::SendBatch))
                              .U32(static_cast<std::uint32_t>(std::max(framesPerSecond, 1)))
                              .Bytes(part)
                              .Take();
        const auto reply = Exchange(body, CaptureReply::Sent);
        MessageReader reader(reply ? std::span<const std::uint8_t>(*reply)
                                   : std::span<const std::uint8_t>());
        std::uint32_t count = 0;
        if (!reply || !reader.U32(count) || !reader.Finished()) {
            return sent;
        }
        sent += static_cast<int>(std::min<std::uint32_t>(count, part.size() / frameSize));
        if (count < part.size() / frameSize) {
            return sent;
        }
    }
    return sent;
}

bool HelperPacketDriver::PrepareRead() {
    return DoneRequest(CaptureRequest::PrepareRead);
}

int HelperPacketDriver::ReadCaptured(const FrameVisitor& visit) {
    const std::uint8_t body[] = {Type(CaptureRequest::Read)};
    const auto reply = Exchange(body, CaptureReply::Frames);
    if (!reply) {
        return -1;
    }
    MessageReader reader(*reply);
    std::uint32_t count = 0;
    if (!reader.U32(count)) {
        return -1;
    }
    int delivered = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint16_t size = 0;
        std::span<const std::uint8_t> frame;
        if (!reader.U16(size) || !reader.Bytes(size, frame)) {
            return -1;
        }
        visit(frame);
        ++delivered;
    }
    return reader.Finished() ? delivered : -1;
}

void HelperPacketDriver::Close() {
    DoneRequest(CaptureRequest::Close);
}

void HelperPacketDriver::Release() {
    std::lock_guard lock(m_mutex);
    if (m_fd < 0) {
        return;
    }
    const std::uint8_t body[] = {Type(CaptureRequest::Release)};
    ExchangeLocked(body, CaptureReply::Done);
}

}  // namespace halvera
