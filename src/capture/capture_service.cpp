#include "capture/capture_service.h"

#include <algorithm>

#include "capture/capture_channel.h"
#include "capture/capture_protocol.h"

namespace halvera {
namespace {

constexpr std::uint8_t ETHER_TYPE_AT = 12;

std::uint8_t Type(CaptureReply reply) {
    return static_cast<std::uint8_t>(reply);
}

// Fields of a request that has none must be empty.
bool NoFields(std::span<const std::uint8_t> fields) {
    return fields.empty();
}

bool IsArp(std::span<const std::uint8_t> frame) {
    return frame.size() > ETHER_TYPE_AT + 1 && frame[ETHER_TYPE_AT] == 0x08 &&
           frame[ETHER_TYPE_AT + 1] == 0x06;
}

}  // namespace

CaptureService::CaptureService(ServedPacketDriver& driver, WithRights withRights)
    : m_driver(driver), m_withRights(std::move(withRights)) {}

std::vector<std::uint8_t> CaptureService::Answer(std::span<const std::uint8_t> request) {
    if (request.empty()) {
        return RefusedReply(CaptureRefusal::Malformed, "empty message");
    }
    const auto type = static_cast<CaptureRequest>(request[0]);
    const auto fields = request.subspan(1);
    if (type == CaptureRequest::Hello) {
        return Hello(fields);
    }
    if (!m_greeted) {
        return RefusedReply(CaptureRefusal::NotGreeted, "hello first");
    }
    switch (type) {
        case CaptureRequest::CheckRights: {
            if (!NoFields(fields)) {
                break;
            }
            RawSocketCheck check = RawSocketCheck::SocketRefused;
            m_withRights([&] { check = m_driver.TryRawSocket(); });
            return MessageWriter(Type(CaptureReply::Rights))
                .U8(static_cast<std::uint8_t>(check))
                .Take();
        }
        case CaptureRequest::ListAdapters: {
            if (!NoFields(fields)) {
                break;
            }
            const auto adapters = m_driver.Adapters();
            return adapters ? AdaptersReply(*adapters) : Failed("adapter list");
        }
        case CaptureRequest::Open:
            return Open(fields);
        case CaptureRequest::SendBatch:
            return SendBatch(fields);
        case CaptureRequest::PrepareRead:
            if (!NoFields(fields)) {
                break;
            }
            if (!m_open) {
                return RefusedReply(CaptureRefusal::NotOpen, "no adapter open");
            }
            if (!m_driver.PrepareRead()) {
                m_open.reset();
                return Done(false);
            }
            return Done(true);
        case CaptureRequest::Read:
            if (!NoFields(fields)) {
                break;
            }
            return Read();
        case CaptureRequest::Close:
            if (!NoFields(fields)) {
                break;
            }
            m_driver.Close();
            m_open.reset();
            return Done(true);
        case CaptureRequest::Release:
            if (!NoFields(fields)) {
                break;
            }
            m_driver.Release();
            m_open.reset();
            return Done(true);
        default:
            return RefusedReply(CaptureRefusal::UnknownRequest, "unknown request");
    }
    return RefusedReply(CaptureRefusal::Malformed, "unexpected fields");
}

std::vector<std::uint8_t> CaptureService::Hello(std::span<const std::uint8_t> fields) {
    MessageReader reader(fields);
    std::uint16_t version = 0;
    if (!reader.U16(version) || !reader.Finished()) {
        return RefusedReply(CaptureRefusal::Malformed, "hello");
    }
    if (version != CAPTURE_PROTOCOL_VERSION) {
        m_ended = true;
        return RefusedReply(CaptureRefusal::WrongVersion,
                            "protocol version " + std::to_string(version) + " is not spoken here");
    }
    m_greeted = true;
    return MessageWriter(Type(CaptureReply::Hello)).U16(CAPTURE_PROTOCOL_VERSION).Take();
}

std::vector<std::uint8_t> CaptureService::Open(std::span<const std::uint8_t> fields) {
    MessageReader reader(fields);
    std::uint32_t index = 0;
    if (!reader.U32(index) || !reader.Finished()) {
        return RefusedReply(CaptureRefusal::Malformed, "open");
    }
    if (m_open) {
        return RefusedReply(CaptureRefusal::AlreadyOpen, "an adapter is open");
    }
    const auto adapters = m_driver.Adapters();
    if (!adapters) {
        return Failed("adapter list");
    }
    if (index >= adapters->size()) {
        return RefusedReply(CaptureRefusal::NoSuchAdapter, "no adapter " + std::to_string(index));
    }
    // The one look-up: the driver opens this adapter, not whatever stands at the index of a
    // list it would read again.
    const CaptureAdapter& chosen = (*adapters)[index];
    bool opened = false;
    m_withRights([&] { opened = m_driver.OpenAdapter(chosen); });
    if (opened) {
        m_open = chosen;
    }
    return Done(opened);
}

std::vector<std::uint8_t> CaptureService::SendBatch(std::span<const std::uint8_t> fields) {
    MessageReader reader(fields);
    std::uint32_t rate = 0;
    if (!reader.U32(rate)) {
        return RefusedReply(CaptureRefusal::Malformed, "send");
    }
    const auto frames = reader.Rest();
    if (frames.empty() || frames.size() % CAPTURE_FRAME_SIZE != 0) {
        return RefusedReply(CaptureRefusal::Malformed, "frames of another size");
    }
    if (!m_open) {
        return RefusedReply(CaptureRefusal::NotOpen, "no adapter open");
    }
    const auto now = m_driver.OpenInterfaceNow();
    if (!now || now->name != m_open->name) {
        m_driver.Release();
        m_open.reset();
        return RefusedReply(CaptureRefusal::AdapterGone,
                            "the open adapter is gone or renamed; it was closed");
    }
    for (std::size_t at = 0; at < frames.size(); at += CAPTURE_FRAME_SIZE) {
        if (!IsOwnProbeFrame(frames.subspan(at, CAPTURE_FRAME_SIZE), *now)) {
            return RefusedReply(CaptureRefusal::ForeignFrame,
                                "frame " + std::to_string(at / CAPTURE_FRAME_SIZE) +
                                    " is not an ARP request from a MAC and an address that "
                                    "this adapter holds");
        }
    }
    const int capped = static_cast<int>(std::clamp<std::uint32_t>(rate, 1, MAX_CAPTURE_RATE));
    const int sent = m_driver.SendBatch(frames, CAPTURE_FRAME_SIZE, capped);
    return MessageWriter(Type(CaptureReply::Sent))
        .U32(static_cast<std::uint32_t>(std::max(sent, 0)))
        .Take();
}

std::vector<std::uint8_t> CaptureService::Read() {
    if (!m_open) {
        return RefusedReply(CaptureRefusal::NotOpen, "no adapter open");
    }
    MessageWriter frames(0);
    std::uint32_t count = 0;
    const int read = m_driver.ReadCaptured([&](std::span<const std::uint8_t> frame) {
        // Only ARP leaves the helper, even should the capture filter not hold.
        if (!IsArp(frame) || frame.size() > 0xFFFF ||
            frames.Size() + 2 + frame.size() > MAX_CAPTURE_MESSAGE - 8) {
            return;
        }
        frames.U16(static_cast<std::uint16_t>(frame.size())).Bytes(frame);
        ++count;
    });
    if (read < 0) {
        m_open.reset();
        return Failed("capture read");
    }
    const auto body = frames.Take();
    return MessageWriter(Type(CaptureReply::Frames))
        .U32(count)
        .Bytes(std::span(body).subspan(1))
        .Take();
}

std::vector<std::uint8_t> CaptureService::Done(bool ok) {
    return MessageWriter(Type(CaptureReply::Done)).U8(ok ? 1 : 0).Take();
}

std::vector<std::uint8_t> CaptureService::Failed(const char* what) {
    return RefusedReply(CaptureRefusal::DriverFailed, std::string(what) + " failed");
}

void ServeConversation(int fd, CaptureService& service) {
    std::vector<std::uint8_t> request;
    for (;;) {
        const ChannelRead read = ReadMessage(fd, MAX_CAPTURE_MESSAGE, request);
        if (read == ChannelRead::Ended) {
            return;
        }
        const auto reply = read == ChannelRead::TooLong
                               ? RefusedReply(CaptureRefusal::TooLong, "message too long")
                               : service.Answer(request);
        if (!WriteMessage(fd, reply) || service.Ended()) {
            return;
        }
    }
}

}  // namespace halvera
