#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "capture/capture_adapter.h"
#include "capture/interface_state.h"

namespace halvera {

// The conversation between a front end and halvera-capture, the helper that alone holds the
// raw-frame rights. Each message is a 4-byte big-endian length and that many body bytes; a
// body is one type byte and its fields, integers big-endian. Every request gets one reply.
inline constexpr std::uint16_t CAPTURE_PROTOCOL_VERSION = 1;

// The longest body either side accepts: a whole capture window (the driver hands over at most
// half a megabyte of frames) or a round of probes fits with room to spare.
inline constexpr std::size_t MAX_CAPTURE_MESSAGE = 1 << 20;

// The only frames the helper sends: ARP requests of the probes' size.
inline constexpr std::size_t CAPTURE_FRAME_SIZE = 42;

// The helper's own cap on the send rate, whatever a request asks (SENDRATE's upper limit).
inline constexpr int MAX_CAPTURE_RATE = 100000;

enum class CaptureRequest : std::uint8_t {
    Hello = 0x01,         // u16 version; must come first
    CheckRights = 0x02,   // the raw-socket check
    ListAdapters = 0x03,  // the capture adapters
    Open = 0x04,          // u32 adapter index
    SendBatch = 0x05,     // u32 frames a second, then whole frames back to back
    PrepareRead = 0x06,
    Read = 0x07,
    Close = 0x08,
    Release = 0x09,
};

enum class CaptureReply : std::uint8_t {
    Hello = 0x81,     // u16 version
    Rights = 0x82,    // u8 RawSocketCheck
    Adapters = 0x83,  // u16 count, each: text name, text description, u32 address, u32 mask, 6 MAC
    Done = 0x84,      // u8 1 or 0
    Sent = 0x85,      // u32 frames written
    Frames = 0x86,    // u32 count, each: u16 length and the frame
    Refused = 0xFF,   // u8 CaptureRefusal, then a text for diagnostics
};

enum class CaptureRefusal : std::uint8_t {
    Malformed = 1,       // a field runs past the body's end, or bytes are left over
    UnknownRequest = 2,  // no such type
    TooLong = 3,         // longer than MAX_CAPTURE_MESSAGE; its bytes were skipped
    NotGreeted = 4,      // a request before Hello
    WrongVersion = 5,    // Hello with another version; the helper ends after saying so
    NoSuchAdapter = 6,   // an index outside the helper's own adapter list
    AlreadyOpen = 7,     // Open while an attempt is open
    NotOpen = 8,         // a frame request without an open adapter
    ForeignFrame = 9,    // a frame the helper does not send; none of the batch was sent
    DriverFailed = 10,   // the capture library failed
    AdapterGone = 11,    // the open adapter's interface is gone or renamed; it was closed
};

// Builds a body field by field.
class MessageWriter {
  public:
    explicit MessageWriter(std::uint8_t type) { m_bytes.push_back(type); }
    MessageWriter& U8(std::uint8_t value);
    MessageWriter& U16(std::uint16_t value);
    MessageWriter& U32(std::uint32_t value);
    MessageWriter& Bytes(std::span<const std::uint8_t> bytes);
    // A u16 length and the bytes, cut at 65535.
    MessageWriter& Text(std::string_view text);
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }
    std::size_t Size() const { return m_bytes.size(); }

  private:
    std::vector<std::uint8_t> m_bytes;
};

// Reads a body field by field; a field that would run past the end fails and leaves the
// reader failed, so a chain of reads needs one check at the end.
class MessageReader {
  public:
    explicit MessageReader(std::span<const std::uint8_t> body) : m_rest(body) {}
    bool U8(std::uint8_t& value);
    bool U16(std::uint16_t& value);
    bool U32(std::uint32_t& value);
    bool Bytes(std::size_t count, std::span<const std::uint8_t>& bytes);
    bool Text(std::string& text);
    std::span<const std::uint8_t> Rest() const { return m_rest; }
    bool Failed() const { return m_failed; }
    // True when every byte was read and no read failed.
    bool Finished() const { return !m_failed && m_rest.empty(); }

  private:
    bool Take(std::size_t count, std::span<const std::uint8_t>& bytes);

    std::span<const std::uint8_t> m_rest;
    bool m_failed = false;
};

std::vector<std::uint8_t> AdaptersReply(const std::vector<CaptureAdapter>& adapters);
// The list of an Adapters reply, after its type byte; nothing when the body is malformed.
std::optional<std::vector<CaptureAdapter>> ReadAdapters(MessageReader& reader);

std::vector<std::uint8_t> RefusedReply(CaptureRefusal refusal, std::string_view detail);

// Whether the frame is one the helper sends by this adapter as it is now: an Ethernet ARP
// request for IPv4 of the probes' size, whose Ethernet source and ARP sender MAC are the
// adapter's MAC and whose ARP sender address is one of the addresses it holds.
bool IsOwnProbeFrame(std::span<const std::uint8_t> frame, const InterfaceState& adapter);

}  // namespace halvera
