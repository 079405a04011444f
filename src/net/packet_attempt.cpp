#include "net/packet_attempt.h"

#include <algorithm>
#include <thread>

#include "base/text_codec.h"
#include "net/netmon_log.h"

namespace halvera {

void SleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

int SendFrame(const PacketAttempt& attempt, std::span<const std::uint8_t> frame) {
    if (!attempt.driver.Send(frame)) {
        attempt.errorLog.WriteErrorLog(NETMON_TAG, "PacketSendPacket failed");
        return -1;
    }
    return 0;
}

int SendAndCapture(const PacketAttempt& attempt, ProbeFrame& frame, Ipv4 probed) {
    SetProbeTarget(frame, probed);
    PacketDriver& driver = attempt.driver;
    if (!driver.Open(attempt.adapterIndex)) {
        attempt.errorLog.WriteErrorLog(NETMON_TAG, "Unable to open the driver");
        attempt.prompt.ShowMessage(Sjis("winpcap driver not install。"), PromptIcon::Information,
                                   PromptButtons::Ok);
        return -1;
    }
    // A failed send does not end the attempt: a reply may still come in the window.
    const bool sent = SendFrame(attempt, frame) == 0;
    int result = -1;
    if (!driver.PrepareRead()) {
        attempt.errorLog.WriteErrorLog(NETMON_TAG, "PacketSetReadTimeout error");
    } else {
        attempt.wait(std::chrono::milliseconds(std::max(attempt.timeoutMs, 0)));
        bool replied = false;
        const int captured = driver.ReadCaptured([&](std::span<const std::uint8_t> captured) {
            replied = replied || IsArpReplyFrom(captured, probed);
        });
        if (captured < 0) {
            attempt.errorLog.WriteErrorLog(NETMON_TAG, "PacketReceivePacket error");
        } else if (captured > 0 || sent) {
            // A frame that left counts as captured: the sending handle does not see its own
            // frames, so an empty window after a good send is simply silence.
            result = replied ? 1 : 2;
        }
    }
    driver.Close();
    return result;
}

}  // namespace halvera
