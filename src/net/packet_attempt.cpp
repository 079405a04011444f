#include "net/packet_attempt.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "base/text_codec.h"
#include "net/netmon_log.h"

namespace halvera {

void SleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

namespace {

// How often a wait looks at the stop request: a stop ends the window within this.
constexpr std::chrono::milliseconds STOP_CHECK(20);
// The least time between two copies of a request in one window: enough that a burst lost at
// a full queue is not lost again at once, little enough that a kind's window stays near one
// TIMEOUT (every wave waits for the replies of all).
constexpr std::chrono::milliseconds WAVE_GAP(5);

// Where each frame of a window went out last, counted in frames from the window's first:
// how far apart two copies of a request are.
class CopyPositions {
  public:
    explicit CopyPositions(std::size_t frameSize) : m_frameSize(frameSize) {}

    // How many frames will have left between a copy in `wave` (sent next) and the copy before
    // it, at the closest; nothing when the wave repeats no frame.
    std::optional<std::size_t> ClosestRepeat(std::span<const std::uint8_t> wave) const {
        std::optional<std::size_t> closest;
        std::size_t at = m_sent;
        for (std::size_t i = 0; m_frameSize > 0 && m_frameSize <= wave.size() - i;
             i += m_frameSize, ++at) {
            const auto found = m_last.find(View(wave, i));
            if (found != m_last.end()) {
                closest = std::min(closest.value_or(at - found->second), at - found->second);
            }
        }
        return closest;
    }
    // The wave went out.
    void Sent(std::span<const std::uint8_t> wave) {
        for (std::size_t i = 0; m_frameSize > 0 && m_frameSize <= wave.size() - i;
             i += m_frameSize) {
            m_last[View(wave, i)] = m_sent++;
        }
    }

  private:
    std::string_view View(std::span<const std::uint8_t> wave, std::size_t at) const {
        return {reinterpret_cast<const char*>(wave.data() + at), m_frameSize};
    }

    std::size_t m_frameSize;
    std::size_t m_sent = 0;
    std::unordered_map<std::string_view, std::size_t> m_last;
};

// The wait before a wave so that each request it repeats leaves at least `gap` after its last
// copy. The frames in between already space them: the driver lets one go per slot of the send
// rate, though it may make up one late wake-up, so one slot less than their count is sure.
std::chrono::milliseconds WaveWait(std::chrono::milliseconds gap, int sendRate,
                                   std::optional<std::size_t> closestRepeat) {
    using std::chrono::nanoseconds;
    if (!closestRepeat) {
        return std::chrono::milliseconds(0);
    }
    const long long rate = std::max(sendRate, 1);
    const nanoseconds slot((1'000'000'000LL + rate - 1) / rate);
    const nanoseconds spaced = slot * static_cast<long long>(*closestRepeat - 1);
    if (spaced >= gap) {
        return std::chrono::milliseconds(0);
    }
    return std::chrono::ceil<std::chrono::milliseconds>(gap - spaced);
}

bool StopRequested(const PacketAttempt& attempt) {
    return attempt.stop != nullptr && attempt.stop->load(std::memory_order_relaxed) != 0;
}

// Waits the duration out, in short steps while a stop request may end it. False when the
// stop came first.
bool WaitUnlessStopped(const PacketAttempt& attempt, std::chrono::milliseconds duration) {
    duration = std::max(duration, std::chrono::milliseconds(0));
    if (attempt.stop == nullptr) {
        attempt.wait(duration);
        return true;
    }
    for (;;) {
        if (StopRequested(attempt)) {
            return false;
        }
        if (duration.count() == 0) {
            return true;
        }
        const auto step = std::min(duration, STOP_CHECK);
        attempt.wait(step);
        duration -= step;
    }
}

// Writes one wave at the send rate in pieces of about a tenth of a second each, so that a
// stop request need not wait for a long wave at a gentle rate. Returns how many frames went
// out; sets `stopped` when the stop came first.
int SendWave(const PacketAttempt& attempt, std::span<const std::uint8_t> wave,
             std::size_t frameSize, bool& stopped) {
    const std::size_t piece =
        frameSize * static_cast<std::size_t>(std::max(attempt.sendRate / 10, 1));
    int sent = 0;
    for (std::size_t at = 0; at < wave.size(); at += piece) {
        if (StopRequested(attempt)) {
            stopped = true;
            return sent;
        }
        const auto part = wave.subspan(at, std::min(piece, wave.size() - at));
        const int went = attempt.driver.SendBatch(part, frameSize, attempt.sendRate);
        sent += went;
        if (static_cast<std::size_t>(went) * frameSize < part.size()) {
            return sent;
        }
    }
    return sent;
}

}  // namespace

int CaptureWindow(const PacketAttempt& attempt, std::span<const std::uint8_t> frames,
                  std::size_t frameSize, const FrameVisitor& visit) {
    const std::vector<std::uint8_t> wave(frames.begin(), frames.end());
    return CaptureWindow(attempt, {&wave, 1}, frameSize, visit);
}

int CaptureWindow(const PacketAttempt& attempt, std::span<const std::vector<std::uint8_t>> waves,
                  std::size_t frameSize, const FrameVisitor& visit) {
    PacketDriver& driver = attempt.driver;
    if (!driver.Open(attempt.adapterIndex)) {
        attempt.errorLog.WriteErrorLog(NETMON_TAG, "Unable to open the driver");
        attempt.prompt.ShowMessage(Sjis("winpcap driver not install。"), PromptIcon::Information,
                                   PromptButtons::Ok);
        return -1;
    }
    const std::chrono::milliseconds timeout(std::max(attempt.timeoutMs, 0));
    const auto spacing =
        waves.empty() ? timeout : std::min(timeout / static_cast<int>(waves.size()), WAVE_GAP);
    CopyPositions copies(frameSize);
    int count = 0;
    int sent = 0;
    bool stopped = false;
    for (std::size_t k = 0; k < waves.size() && !stopped && sent == count; ++k) {
        const auto wait = WaveWait(spacing, attempt.sendRate, copies.ClosestRepeat(waves[k]));
        if (wait.count() > 0 ? !WaitUnlessStopped(attempt, wait) : StopRequested(attempt)) {
            stopped = true;
            break;
        }
        const int frames = frameSize == 0 ? 0 : static_cast<int>(waves[k].size() / frameSize);
        count += frames;
        sent += frameSize == 0 ? 0 : SendWave(attempt, waves[k], frameSize, stopped);
        copies.Sent(waves[k]);
    }
    if (stopped) {
        driver.Close();
        return WINDOW_CUT;
    }
    if (sent < count) {
        attempt.errorLog.WriteErrorLog(NETMON_TAG, "PacketSendPacket failed");
    }
    int result = -1;
    if (!driver.PrepareRead()) {
        attempt.errorLog.WriteErrorLog(NETMON_TAG, "PacketSetReadTimeout error");
    } else if (!WaitUnlessStopped(attempt, timeout)) {
        result = WINDOW_CUT;
    } else {
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
        return window == WINDOW_CUT ? WINDOW_CUT : -1;
    }
    if (lookedUp) {
        return PROBE_UNSURE;
    }
    return replied ? 1 : 2;
}

}  // namespace halvera
