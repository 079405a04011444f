#include "capture/capture_protocol.h"

#include <algorithm>
#include <cstring>

namespace halvera {
namespace {

constexpr std::size_t MAX_TEXT = 0xFFFF;

// ARP over Ethernet for IPv4: where the fields the helper checks begin.
constexpr std::size_t ETHER_SOURCE = 6;
constexpr std::size_t ETHER_TYPE = 12;
constexpr std::size_t ARP_HEADER = 14;
constexpr std::size_t ARP_SENDER_MAC = 22;
constexpr std::size_t ARP_SENDER_IP = 28;
constexpr std::uint8_t ARP_REQUEST_HEADER[] = {0x00, 0x01, 0x08, 0x00, 6, 4, 0x00, 0x01};

}  // namespace

MessageWriter& MessageWriter::U8(std::uint8_t value) {
    m_bytes.push_back(value);
    return *this;
}

MessageWriter& MessageWriter::U16(std::uint16_t value) {
    return U8(static_cast<std::uint8_t>(value >> 8)).U8(static_cast<std::uint8_t>(value));
}

MessageWriter& MessageWriter::U32(std::uint32_t value) {
    return U16(static_cast<std::uint16_t>(value >> 16)).U16(static_cast<std::uint16_t>(value));
}

MessageWriter& MessageWriter::Bytes(std::span<const std::uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

MessageWriter& MessageWriter::Text(std::string_view text) {
    text = text.substr(0, MAX_TEXT);
    U16(static_cast<std::uint16_t>(text.size()));
    return Bytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

bool MessageReader::Take(std::size_t count, std::span<const std::uint8_t>& bytes) {
    if (m_failed || count > m_rest.size()) {
        m_failed = true;
        return false;
    }
    bytes = m_rest.first(count);
    m_rest = m_rest.subspan(count);
    return true;
}

bool MessageReader::U8(std::uint8_t& value) {
    std::span<const std::uint8_t> bytes;
    if (!Take(1, bytes)) {
        return false;
    }
    value = bytes[0];
    return true;
}

bool MessageReader::U16(std::uint16_t& value) {
    std::span<const std::uint8_t> bytes;
    if (!Take(2, bytes)) {
        return false;
    }
    value = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    return true;
}

bool MessageReader::U32(std::uint32_t& value) {
    std::span<const std::uint8_t> bytes;
    if (!Take(4, bytes)) {
        return false;
    }
    value = std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
            std::uint32_t{bytes[2]} << 8 | bytes[3];
    return true;
}

bool MessageReader::Bytes(std::size_t count, std::span<const std::uint8_t>& bytes) {
    return Take(count, bytes);
}

bool MessageReader::Text(std::string& text) {
    std::uint16_t size = 0;
    std::span<const std::uint8_t> bytes;
    if (!U16(size) || !Take(size, bytes)) {
        return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

std::vector<std::uint8_t> AdaptersReply(const std::vector<CaptureAdapter>& adapters) {
    MessageWriter reply(static_cast<std::uint8_t>(CaptureReply::Adapters));
    const std::size_t count = std::min<std::size_t>(adapters.size(), 0xFFFF);
    reply.U16(static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const CaptureAdapter& adapter = adapters[i];
        reply.Text(adapter.name).Text(adapter.description).U32(adapter.address).U32(adapter.mask);
        reply.Bytes(adapter.mac);
    }
    return reply.Take();
}

std::optional<std::vector<CaptureAdapter>> ReadAdapters(MessageReader& reader) {
    std::uint16_t count = 0;
    if (!reader.U16(count)) {
        return std::nullopt;
    }
    std::vector<CaptureAdapter> adapters;
    for (std::uint16_t i = 0; i < count; ++i) {
        CaptureAdapter adapter;
        std::span<const std::uint8_t> mac;
        if (!reader.Text(adapter.name) || !reader.Text(adapter.description) ||
            !reader.U32(adapter.address) || !reader.U32(adapter.mask) ||
            !reader.Bytes(adapter.mac.size(), mac)) {
            return std::nullopt;
        }
        std::copy(mac.begin(), mac.end(), adapter.mac.begin());
        adapters.push_back(std::move(adapter));
    }
    if (!reader.Finished()) {
        return std::nullopt;
    }
    return adapters;
}

std::vector<std::uint8_t> RefusedReply(CaptureRefusal refusal, std::string_view detail) {
    return MessageWriter(static_cast<std::uint8_t>(CaptureReply::Refused))
        .U8(static_cast<std::uint8_t>(refusal))
        .Text(detail)
        .Take();
}

bool IsOwnProbeFrame(std::span<const std::uint8_t> frame, const InterfaceState& adapter) {
    if (frame.size() != CAPTURE_FRAME_SIZE) {
        return false;
    }
    const auto at = [&](std::size_t offset, std::size_t count) {
        return frame.subspan(offset, count);
    };
    const auto same = [](std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    };
    Ipv4 sender = 0;
    std::memcpy(&sender, at(ARP_SENDER_IP, 4).data(), sizeof sender);
    const std::uint8_t arpType[] = {0x08, 0x06};
    return same(at(ETHER_TYPE, 2), arpType) && same(at(ETHER_SOURCE, 6), adapter.mac) &&
           same(at(ARP_HEADER, sizeof ARP_REQUEST_HEADER), ARP_REQUEST_HEADER) &&
           same(at(ARP_SENDER_MAC, 6), adapter.mac) &&
           std::find(adapter.addresses.begin(), adapter.addresses.end(), sender) !=
               adapter.addresses.end();
}

}  // namespace halvera
