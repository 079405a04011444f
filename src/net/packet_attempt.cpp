#include "net/packet_attempt.h"

#include <algorithm>
#include <thread>

#include "base/text_codec.h"
#include "net/netmon_log.h"

namespace halvera {

void SleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

int CaptureWindow(const PacketAttempt& attempt, std::span<const std::uint8_t> frames,
                  std::size_t frameSize, const FrameVisitor& visit) {
    PacketDriver& driver = attempt.driver;
    if (!driver.Open(attempt.adapterIndex)) {
        attempt.errorLog.WriteErrorLog(NETMON_TAG, "Unable to open the driver");
        attempt.prompt.ShowMessage(Sjis("winpcap driver not install。"), PromptIcon::Information,
                                   PromptButtons::Ok);
        return -1;
    }
    const int count = frameSize == 0 ? 0 : static_cast<int>(frames.size() / frameSize);
    const int sent = driver.SendBatch(frames, frameSize, attempt.sendRate);
    if (sent < count) {
        attempt.errorLog.WriteErrorLog(NETMON_TAG, "PacketSendPacket failed");
    }
    int result = -1;
    if (!driver.PrepareRead()) {
        attempt.errorLog.WriteErrorLog(NETMON_TAG, "PacketSetReadTimeout error");
    } else {
        attempt.wait(std::chrono::milliseconds(std::max(attempt.timeoutMs, 0)));
        const int captured = driver.ReadCaptured(visit);
        if (captured < 0) {
            attempt.errorLog.WriteErrorLog(NETMON_TAG, "PacketReceivePacket error");
        } else if (captured > 0 || sent > 0) {
            // A frame that left counts as captured: the sending handle does not see its own
            // frames, so an empty window after a good send is simply silence.
            result = 0;
        }
    }
    driver.Close();
    return result;
}

int SendAndCapture(const PacketAttempt& attempt, ProbeFrame& frame, Ipv4 probed) {
    SetProbeTarget(frame, probed);
    bool replied = false;
    bool lookedUp = false;
    const int window =
        CaptureWindow(attempt, frame, frame.size(), [&](std::span<const std::uint8_t> captured) {
            const auto sender = ParseArpReplyTo(captured, frame);
            replied = replied || (sender && sender->address == probed);
            lookedUp = lookedUp || ParseLookUpBesideProbe(captured, frame) == probed;
        });
    if (window < 0) {
        return -1;
    }
    if (lookedUp) {
        return PROBE_UNSURE;
    }
    return replied ? 1 : 2;
}

}  // namespace halvera
