#include "support/wire_capture.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "support/file_bytes.h"

namespace halvera::test {
namespace {

constexpr std::size_t FILE_HEADER = 24;
constexpr std::size_t RECORD_HEADER = 16;

}  // namespace

WireCapture::WireCapture(const std::string& interface, const std::string& filter) {
    std::string pattern = (std::filesystem::temp_directory_path() / "halvera-wire-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return;
    }
    m_folder = pattern;
    const std::string file = (m_folder / "wire.pcap").string();
    // -Z root: tcpdump keeps the rights to write below root's own temporary folder.
    m_tcpdump = std::make_unique<ChildProcess>(std::vector<std::string>{
        "tcpdump", "-i", interface, "--immediate-mode", "-U", "-Z", "root", "-w", file, filter});
    for (int i = 0; i < 50 && m_tcpdump->Started(); ++i) {
        if (ReadBytes(file).size() >= FILE_HEADER) {
            m_started = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

WireCapture::~WireCapture() {
    m_tcpdump.reset();
    std::error_code ec;
    if (!m_folder.empty()) {
        std::filesystem::remove_all(m_folder, ec);
    }
}

std::vector<std::vector<std::uint8_t>> WireCapture::Frames() {
    if (!m_tcpdump) {
        return {};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    m_tcpdump->Stop();
    return PcapFrames(ReadBytes(m_folder / "wire.pcap"));
}

std::vector<std::vector<std::uint8_t>> PcapFrames(const std::string& file) {
    std::vector<std::vector<std::uint8_t>> frames;
    std::size_t at = FILE_HEADER;
    while (file.size() >= at + RECORD_HEADER) {
        std::uint32_t fields[4];
        std::memcpy(fields, file.data() + at, sizeof fields);
        const std::size_t length = fields[2];
        if (length > file.size() - at - RECORD_HEADER) {
            break;
        }
        const auto* start = reinterpret_cast<const std::uint8_t*>(file.data()) + at + RECORD_HEADER;
        frames.emplace_back(start, start + length);
        at += RECORD_HEADER + length;
    }
    return frames;
}

}  // namespace halvera::test
