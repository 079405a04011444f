// Feeds arbitrary captured frames to the walks over a capture window: the sweep of a block of
// addresses and the single probe. Each window hands over the next frames of the input (a
// count byte, then per frame a length byte and its bytes). Neither walk may read out of
// bounds, and an address counts as present only with a frame in a window that names it as
// sender, sent to the own MAC, from the MAC the sweep reports.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "net/arp_sweep.h"
#include "net/packet_attempt.h"

namespace {

using namespace halvera;
using fuzz::Check;

const LocalAdapterInfo LOCAL{
    MakeIp(198, 18, 7, 10), MakeIp(255, 255, 255, 0), {0x02, 0x11, 0x22, 0x33, 0x44, 0x55}};

// Sends everything; each read hands over the next group of frames of the input and keeps
// every frame it handed over.
class ReplayingDriver final : public PacketDriver {
  public:
    explicit ReplayingDriver(std::span<const std::uint8_t> input) : m_input(input) {}

    RawSocketCheck TryRawSocket() override { return RawSocketCheck::Allowed; }
    std::optional<std::vector<CaptureAdapter>> Adapters() override { return std::nullopt; }
    bool Open(int) override { return true; }
    bool Send(std::span<const std::uint8_t>) override { return true; }
    int SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize, int) override {
        Check(frameSize == PROBE_FRAME_SIZE && frames.size() % frameSize == 0);
        return static_cast<int>(frames.size() / frameSize);
    }
    bool PrepareRead() override { return true; }
    int ReadCaptured(const FrameVisitor& visit) override {
        const int count = Take(1).empty() ? 0 : m_input[m_at - 1];
        int handed = 0;
        for (int i = 0; i < count; ++i) {
            const auto length = Take(1);
            if (length.empty()) {
                break;
            }
            // A copy of its own, so that reading past the frame is caught.
            const auto bytes = Take(length[0]);
            const std::vector<std::uint8_t> frame(bytes.begin(), bytes.end());
            visit(frame);
            m_handed.push_back(frame);
            ++handed;
        }
        return handed;
    }
    void Close() override {}
    void Release() override {}

    // Whether a frame handed over names the address as sender to the own MAC, from the MAC.
    bool Answered(Ipv4 ip, const MacAddress& mac) const {
        return std::any_of(m_handed.begin(), m_handed.end(), [&](const auto& frame) {
            return frame.size() >= PROBE_FRAME_SIZE &&
                   std::equal(LOCAL.ownMac.begin(), LOCAL.ownMac.end(), frame.begin()) &&
                   std::equal(mac.begin(), mac.end(), frame.begin() + 22) &&
                   std::memcmp(frame.data() + 28, &ip, 4) == 0;
        });
    }

  private:
    std::span<const std::uint8_t> Take(std::size_t n) {
        n = std::min(n, m_input.size() - m_at);
        const auto taken = m_input.subspan(m_at, n);
        m_at += n;
        return taken;
    }

    std::span<const std::uint8_t> m_input;
    std::size_t m_at = 0;
    std::vector<std::vector<std::uint8_t>> m_handed;
};

class NoErrors : public ErrorLog {
  public:
    void WriteErrorLog(std::string_view, std::string_view) override { std::abort(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    NoErrors errorLog;
    fuzz::NoPrompt prompt;

    ReplayingDriver sweepDriver(input);
    const PacketAttempt sweep{sweepDriver, errorLog, prompt, 0, 0, [](auto) {}, 1000};
    const SweepTarget targets[] = {{MakeIp(198, 18, 7, 1), 2},
                                   {MakeIp(198, 18, 7, 2), 1},
                                   {MakeIp(198, 18, 7, 3), 0},
                                   {LOCAL.ownAddress, 3}};
    const auto outcomes = SweepBlock(sweep, LOCAL, targets);
    Check(outcomes.size() == std::size(targets));
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const SweepOutcome& outcome = outcomes[i];
        Check(outcome.result == 1 || outcome.result == 2);
        Check((outcome.result == 1) == outcome.mac.has_value());
        Check(outcome.result == 1 || outcome.bits == 0);
        Check((outcome.bits & ~(TEST_B47 | TEST_B16 | TEST_B8)) == 0);
        if (outcome.mac) {
            Check((outcome.mac->at(0) & 1) == 0 && !IsZeroMac(*outcome.mac));
            Check(sweepDriver.Answered(targets[i].ip, *outcome.mac));
        }
    }

    ReplayingDriver probeDriver(input);
    const PacketAttempt probe{probeDriver, errorLog, prompt, 0, 0, [](auto) {}, 1000};
    ProbeFrame frame = BuildProbeFrame(PROBE_PRESENCE, LOCAL);
    const int replied = SendAndCapture(probe, frame, targets[0].ip);
    Check(replied == 1 || replied == 2);

    // A test attempt may also find the address looked up by the own kernel.
    ReplayingDriver testDriver(input);
    const PacketAttempt test{testDriver, errorLog, prompt, 0, 0, [](auto) {}, 1000};
    frame = BuildProbeFrame(PROBE_B47, LOCAL);
    const int tested = SendAndCapture(test, frame, targets[0].ip);
    Check(tested == 1 || tested == 2 || tested == PROBE_UNSURE);
    return 0;
}
