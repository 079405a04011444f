// What one SendAndCapture attempt costs beyond its TIMEOUT wait, measured in the lab's own
// host through libpcap: with a capture handle opened and closed for every attempt, and
// with one handle kept for the run. Prints the median, the fastest and the slowest of 50.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_lab.h"
#include "net/local_adapter_info.h"
#include "net/packet_attempt.h"
#include "capture/pcap_packet_driver.h"
#include "support/lab.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace {

using namespace halvera;
using Clock = std::chrono::steady_clock;

constexpr int RUNS = 50;
constexpr int TIMEOUT = 100;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Report(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    std::printf("%-52s median %7.3f ms   min %7.3f   max %7.3f\n", what,
                samples[samples.size() / 2], samples.front(), samples.back());
}

// Time of each attempt minus the time it spent in its wait.
std::vector<double> Overheads(PcapPacketDriver& driver, int adpnum, const LocalAdapterInfo& local,
                              Ipv4 probed, int expected) {
    test::RecordingErrorLog log;
    test::RecordingPrompt prompt;
    Clock::duration waited{};
    PacketAttempt attempt{driver, log, prompt, adpnum, TIMEOUT, [&](std::chrono::milliseconds ms) {
                              const auto start = Clock::now();
                              SleepFor(ms);
                              waited = Clock::now() - start;
                          }};
    ProbeFrame frame = BuildProbeFrame(PROBE_PRESENCE, local);
    std::vector<double> samples;
    for (int i = 0; i < RUNS; ++i) {
        const auto start = Clock::now();
        const int result = SendAndCapture(attempt, frame, probed);
        samples.push_back(Milliseconds(Clock::now() - start - waited));
        if (result != expected) {
            std::fprintf(stderr, "attempt %d gave %d, expected %d\n", i, result, expected);
        }
    }
    driver.Release();
    return samples;
}

}  // namespace

int main() {
    if (!bench::EnterLab("send_and_capture_bench")) {
        return 1;
    }
    test::Lab& lab = test::Lab::Get();
    PcapPacketDriver perAttempt(PcapPacketDriver::HandleUse::PerAttempt);
    PcapPacketDriver perRun(PcapPacketDriver::HandleUse::PerRun);
    const int adpnum = test::Lab::AdapterIndexOf(perRun, lab.Own());
    test::RecordingErrorLog log;
    LocalAdapterInfo local;
    if (adpnum < 0 || ReadLocalAdapter(perRun, adpnum, log, local) != 0) {
        std::fprintf(stderr, "send_and_capture_bench: the own host's adapter is missing\n");
        return 1;
    }
    const Ipv4 present = lab.Hosts("normal").at(0).address;
    const Ipv4 empty = lab.Hosts("empty").at(0).address;

    std::printf("SendAndCapture overhead beyond TIMEOUT %d ms, %d attempts each\n", TIMEOUT, RUNS);
    Report("handle per attempt, absent address", Overheads(perAttempt, adpnum, local, empty, 2));
    Report("handle per attempt, present host", Overheads(perAttempt, adpnum, local, present, 1));
    Report("handle kept for the run, absent address", Overheads(perRun, adpnum, local, empty, 2));
    Report("handle kept for the run, present host", Overheads(perRun, adpnum, local, present, 1));

    std::vector<double> listing;
    for (int i = 0; i < RUNS; ++i) {
        const auto start = Clock::now();
        perRun.Adapters();
        listing.push_back(Milliseconds(Clock::now() - start));
    }
    Report("adapter list alone (part of every Open)", listing);
    lab.LeaveOwnHost();
    return 0;
}
