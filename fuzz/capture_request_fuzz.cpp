// Feeds arbitrary request streams to the capture helper's service, as a hostile front end
// would: it may not read out of bounds, every frame it lets reach the driver must be a probe
// of the open adapter, and every reply must fit the protocol's limit. The same bytes go to
// the front end's parser of an adapter list.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "capture/capture_protocol.h"
#include "capture/capture_service.h"

namespace {

using namespace halvera;

const CaptureAdapter ADAPTER{"eth0",
                             "",
                             MakeIp(198, 18, 7, 10),
                             MakeIp(255, 255, 255, 0),
                             {0x02, 0x11, 0x22, 0x33, 0x44, 0x55}};

// One adapter that opens, sends everything and captures a reply and an IPv4 frame.
class CheckingDriver final : public PacketDriver {
  public:
    RawSocketCheck TryRawSocket() override { return RawSocketCheck::Allowed; }
    std::optional<std::vector<CaptureAdapter>> Adapters() override {
        return std::vector<CaptureAdapter>{ADAPTER};
    }
    bool Open(int index) override { return index == 0; }
    bool Send(std::span<const std::uint8_t> frame) override {
        if (!IsOwnProbeFrame(frame, ADAPTER)) {
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
    void Release() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    MessageReader asList(input);
    ReadAdapters(asList);

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
        const auto reply = service.Answer(body);
        if (reply.empty() || reply.size() > MAX_CAPTURE_MESSAGE) {
            std::abort();
        }
    }
    return 0;
}
