// Feeds arbitrary request streams to the capture helper's service, as a hostile front end
// would, while the host's adapters change between requests (a message of type CHANGE is no
// request: its next byte changes the driver): the service may not read out of bounds, it
// opens only an adapter of the list it read last, every frame it lets reach the driver is a
// probe from a MAC and an address that the open adapter holds at that moment, and every
// reply fits the protocol's limit. The same bytes go to the front end's parser of an adapter
// list and to the helper's parsers of the kernel's replies about an interface.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "capture/capture_protocol.h"
#include "capture/capture_service.h"

namespace {

using namespace halvera;

constexpr std::uint8_t CHANGE = 0xEE;

const CaptureAdapter FIRST{"eth0",
                           "",
                           MakeIp(198, 18, 7, 10),
                           MakeIp(255, 255, 255, 0),
                           {0x02, 0x11, 0x22, 0x33, 0x44, 0x55},
                           2};
const CaptureAdapter SECOND{"side0",
                            "",
                            MakeIp(198, 18, 8, 10),
                            MakeIp(255, 255, 255, 0),
                            {0x02, 0x11, 0x22, 0x33, 0x44, 0x66},
                            3};
const Ipv4 ANOTHER_ADDRESS = MakeIp(198, 18, 7, 12);
const MacAddress ANOTHER_MAC{0x02, 0x11, 0x22, 0x33, 0x44, 0x77};

// Two adapters whose order in the list and whose addresses and MAC the input changes; opens
// and sends everything, and captures a reply and an IPv4 frame.
class CheckingDriver final : public ServedPacketDriver {
  public:
    void Change(std::uint8_t what) {
        switch (what % 6) {
            case 0:
                std::reverse(m_list.begin(), m_list.end());
                break;
            case 1:
                m_now.addresses = {ANOTHER_ADDRESS};
                break;
            case 2:
                m_now.addresses.push_back(ANOTHER_ADDRESS);
                break;
            case 3:
                m_now.mac = ANOTHER_MAC;
                break;
            case 4:
                m_now.name = "renamed0";
                break;
            default:
                m_gone = !m_gone;
                break;
        }
    }

    RawSocketCheck TryRawSocket() override { return RawSocketCheck::Allowed; }
    std::optional<std::vector<CaptureAdapter>> Adapters() override {
        m_lastList = m_list;
        return m_list;
    }
    // The service resolves an adapter once and opens that one, never by position.
    bool Open(int) override { std::abort(); }
    bool OpenAdapter(const CaptureAdapter& adapter) override {
        if (std::find(m_lastList.begin(), m_lastList.end(), adapter) == m_lastList.end()) {
            std::abort();
        }
        m_open = true;
        m_gone = false;
        m_now = InterfaceState{adapter.name, adapter.mac, {adapter.address}};
        return true;
    }
    std::optional<InterfaceState> OpenInterfaceNow() override {
        if (!m_open || m_gone) {
            return std::nullopt;
        }
        return m_now;
    }
    bool Send(std::span<const std::uint8_t> frame) override {
        if (!m_open || m_gone || !IsHeldProbe(frame)) {
            std::abort();
        }
        return true;
    }
    int SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize, int rate) override {
        if (frameSize != CAPTURE_FRAME_SIZE || frames.size() % frameSize != 0 || rate < 1 ||
            rate > MAX_CAPTURE_RATE) {
            std::abort();
        }
        for (std::size_t at = 0; at < frames.size(); at += frameSize) {
            Send(frames.subspan(at, frameSize));
        }
        return static_cast<int>(frames.size() / frameSize);
    }
    bool PrepareRead() override { return true; }
    int ReadCaptured(const FrameVisitor& visit) override {
        std::vector<std::uint8_t> frame(42, 0);
        frame[12] = 0x08;
        frame[13] = 0x06;
        visit(frame);
        frame[13] = 0x00;
        visit(frame);
        return 2;
    }
    void Close() override {}
    void Release() override { m_open = false; }

  private:
    // An ARP request whose Ethernet source and sender MAC are the adapter's MAC now and whose
    // sender address is one it holds now, read field by field here rather than by the
    // service's own check.
    bool IsHeldProbe(std::span<const std::uint8_t> frame) const {
        if (frame.size() != CAPTURE_FRAME_SIZE) {
            return false;
        }
        Ipv4 sender = 0;
        std::memcpy(&sender, frame.data() + 28, sizeof sender);
        return frame[12] == 0x08 && frame[13] == 0x06 && frame[20] == 0x00 && frame[21] == 0x01 &&
               std::equal(m_now.mac.begin(), m_now.mac.end(), frame.begin() + 6) &&
               std::equal(m_now.mac.begin(), m_now.mac.end(), frame.begin() + 22) &&
               std::find(m_now.addresses.begin(), m_now.addresses.end(), sender) !=
                   m_now.addresses.end();
    }

    std::vector<CaptureAdapter> m_list{FIRST, SECOND};
    std::vector<CaptureAdapter> m_lastList;
    InterfaceState m_now;
    bool m_open = false;
    bool m_gone = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    MessageReader asList(input);
    ReadAdapters(asList);
    InterfaceState asKernelReply;
    bool found = false;
    ReadLinkReplies(input, 3, asKernelReply, found);
    ReadAddressReplies(input, 3, asKernelReply);

    CheckingDriver driver;
    CaptureService service(driver, [](const std::function<void()>& action) { action(); });
    // Greeted by default, so the stream reaches past the first check; a first byte of 0
    // leaves it ungreeted.
    if (size > 0 && data[0] != 0) {
        service.Answer(MessageWriter(static_cast<std::uint8_t>(CaptureRequest::Hello))
                           .U16(CAPTURE_PROTOCOL_VERSION)
                           .Take());
    }
    MessageReader stream(input.subspan(size > 0 ? 1 : 0));
    std::uint16_t length = 0;
    std::span<const std::uint8_t> body;
    while (!service.Ended() && stream.U16(length) && stream.Bytes(length, body)) {
        if (body.size() == 2 && body[0] == CHANGE) {
            driver.Change(body[1]);
            continue;
        }
        const auto reply = service.Answer(body);
        if (reply.empty() || reply.size() > MAX_CAPTURE_MESSAGE) {
            std::abort();
        }
    }
    return 0;
}
