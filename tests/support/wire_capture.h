#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace halvera::test {

// tcpdump on one interface of the calling thread's namespace: the frames that cross it, as a
// host on that wire sees them, kept in a file of its own until the object ends.
class WireCapture {
  public:
    // `filter` in tcpdump's expression language.
    WireCapture(const std::string& interface, const std::string& filter);
    ~WireCapture();
    WireCapture(const WireCapture&) = delete;
    WireCapture& operator=(const WireCapture&) = delete;

    // True once tcpdump captures (it wrote its file's header).
    bool Started() const { return m_started; }
    // Waits a moment for frames still on their way, stops tcpdump and gives every frame it
    // captured, in order.
    std::vector<std::vector<std::uint8_t>> Frames();

  private:
    std::filesystem::path m_folder;
    std::unique_ptr<ChildProcess> m_tcpdump;
    bool m_started = false;
};

// The frames of a classic pcap file, in order; the reading stops at the first record that
// does not fit.
std::vector<std::vector<std::uint8_t>> PcapFrames(const std::string& file);

}  // namespace halvera::test
