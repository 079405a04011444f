#include "capture/pcap_packet_driver.h"

#include "capture/frame_batch.h"
#include "capture/interface_adapters.h"

#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>

namespace halvera {
namespace {

// Kernel buffer of the capture handle, and the most frame bytes one read hands over: a
// flood on the segment cannot keep an attempt reading for ever.
constexpr int CAPTURE_BUFFER_SIZE = 512000;
constexpr int SNAPLEN = 256;

// libpcap reports an interface that goes away, but one that is merely taken down or loses
// its carrier just stays silent, which would make every probed node look absent.
bool IsRunning(int socketFd, const std::string& name) {
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    if (ioctl(socketFd, SIOCGIFFLAGS, &request) != 0) {
        return false;
    }
    return (request.ifr_flags & IFF_UP) != 0 && (request.ifr_flags & IFF_RUNNING) != 0;
}

// The index of the interface a capture socket is bound to; 0 when it cannot be told.
int BoundInterface(int socketFd) {
    sockaddr_ll bound{};
    socklen_t size = sizeof bound;
    if (getsockname(socketFd, reinterpret_cast<sockaddr*>(&bound), &size) != 0 ||
        bound.sll_family != AF_PACKET) {
        return 0;
    }
    return bound.sll_ifindex;
}

void Discard(u_char*, const pcap_pkthdr*, const u_char*) {}

struct ReadState {
    const FrameVisitor* visit;
    int frames = 0;
    long bytes = 0;
};

void Deliver(u_char* user, const pcap_pkthdr* header, const u_char* data) {
    auto* state = reinterpret_cast<ReadState*>(user);
    ++state->frames;
    state->bytes += header->caplen;
    (*state->visit)(std::span<const std::uint8_t>(data, header->caplen));
}

}  // namespace

PcapPacketDriver::PcapPacketDriver(HandleUse use) : m_use(use) {}

PcapPacketDriver::~PcapPacketDriver() {
    Release();
}

RawSocketCheck PcapPacketDriver::TryRawSocket() {
    const int fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (fd < 0) {
        return RawSocketCheck::SocketRefused;
    }
    const timeval timeout{0, 100000};
    const bool optionsSet =
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) == 0 &&
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0;
    close(fd);
    return optionsSet ? RawSocketCheck::Allowed : RawSocketCheck::OptionRefused;
}

std::optional<std::vector<CaptureAdapter>> PcapPacketDriver::Adapters() {
    return ListInterfaceAdapters(m_lastError);
}

bool PcapPacketDriver::Open(int adapterIndex) {
    auto adapters = Adapters();
    if (!adapters || adapterIndex < 0 || adapterIndex >= static_cast<int>(adapters->size())) {
        Release();
        return false;
    }
    return OpenAdapter((*adapters)[adapterIndex]);
}

bool PcapPacketDriver::OpenAdapter(const CaptureAdapter& adapter) {
    if (m_handle != nullptr && m_openName == adapter.name &&
        m_openIndex == adapter.interfaceIndex && DropCaptured()) {
        return true;
    }
    Release();
    return OpenHandle(adapter);
}

std::optional<InterfaceState> PcapPacketDriver::OpenInterfaceNow() {
    if (m_handle == nullptr) {
        return std::nullopt;
    }
    return ReadInterfaceState(m_openIndex);
}

bool PcapPacketDriver::OpenHandle(const CaptureAdapter& adapter) {
    const std::string& name = adapter.name;
    char error[PCAP_ERRBUF_SIZE] = "";
    pcap_t* handle = pcap_create(name.c_str(), error);
    if (handle == nullptr) {
        m_lastError = error;
        return false;
    }
    pcap_set_snaplen(handle, SNAPLEN);
    pcap_set_promisc(handle, 1);
    pcap_set_immediate_mode(handle, 1);
    pcap_set_buffer_size(handle, CAPTURE_BUFFER_SIZE);
    // Warnings (positive results) still leave a working handle.
    if (pcap_activate(handle) < 0 || pcap_setnonblock(handle, 1, error) != 0) {
        m_lastError = pcap_geterr(handle);
        pcap_close(handle);
        return false;
    }
    // libpcap looked the name up again: the handle stands for the adapter listed only when
    // it is bound to the same interface.
    if (BoundInterface(pcap_fileno(handle)) != adapter.interfaceIndex) {
        m_lastError = name + " is no longer the interface listed";
        pcap_close(handle);
        return false;
    }
    // Programs that events start must not hold the capture socket open after a run.
    fcntl(pcap_fileno(handle), F_SETFD, FD_CLOEXEC);
    // The walk looks at ARP replies only; without the filter it just sees more frames.
    bpf_program arpOnly;
    if (pcap_compile(handle, &arpOnly, "arp", 1, PCAP_NETMASK_UNKNOWN) == 0) {
        pcap_setfilter(handle, &arpOnly);
        pcap_freecode(&arpOnly);
    }
    m_handle = handle;
    m_openName = name;
    m_openIndex = adapter.interfaceIndex;
    return true;
}

bool PcapPacketDriver::DropCaptured() {
    int n;
    while ((n = pcap_dispatch(m_handle, -1, Discard, nullptr)) > 0) {
    }
    if (n < 0) {
        m_lastError = pcap_geterr(m_handle);
        return false;
    }
    return true;
}

bool PcapPacketDriver::Send(std::span<const std::uint8_t> frame) {
    if (m_handle == nullptr) {
        return false;
    }
    const int written = pcap_inject(m_handle, frame.data(), frame.size());
    if (written != static_cast<int>(frame.size())) {
        m_lastError = written < 0 ? pcap_geterr(m_handle) : "short write";
        return false;
    }
    return true;
}

int PcapPacketDriver::SendBatch(std::span<const std::uint8_t> frames, std::size_t frameSize,
                                int framesPerSecond) {
    return SendEachFrame(frames, frameSize, [&](std::span<const std::uint8_t> frame) {
        return m_pacer.Send(framesPerSecond, [&] { return Send(frame); });
    });
}

bool PcapPacketDriver::PrepareRead() {
    char error[PCAP_ERRBUF_SIZE] = "";
    if (m_handle == nullptr || pcap_setnonblock(m_handle, 1, error) != 0) {
        m_lastError = error;
        Release();
        return false;
    }
    return true;
}

int PcapPacketDriver::ReadCaptured(const FrameVisitor& visit) {
    if (m_handle == nullptr) {
        return -1;
    }
    ReadState state{&visit};
    while (state.bytes < CAPTURE_BUFFER_SIZE) {
        const int n = pcap_dispatch(m_handle, -1, Deliver, reinterpret_cast<u_char*>(&state));
        if (n < 0) {
            m_lastError = pcap_geterr(m_handle);
            Release();
            return -1;
        }
        if (n == 0) {
            break;
        }
    }
    if (!IsRunning(pcap_fileno(m_handle), m_openName)) {
        m_lastError = m_openName + " is down";
        Release();
        return -1;
    }
    return state.frames;
}

void PcapPacketDriver::Close() {
    if (m_use == HandleUse::PerAttempt) {
        Release();
    }
}

void PcapPacketDriver::Release() {
    if (m_handle != nullptr) {
        pcap_close(m_handle);
        m_handle = nullptr;
        m_openName.clear();
        m_openIndex = 0;
    }
}

}  // namespace halvera
