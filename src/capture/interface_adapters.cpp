#include "capture/interface_adapters.h"

#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace halvera {
namespace {

struct AdapterFacts {
    bool ethernet = false;
    bool hasIpv4 = false;
    CaptureAdapter adapter;
};

AdapterFacts FactsOf(const pcap_if_t& device) {
    AdapterFacts facts;
    facts.adapter.name = device.name;
    if (device.description != nullptr) {
        facts.adapter.description = device.description;
    }
    for (const pcap_addr_t* a = device.addresses; a != nullptr; a = a->next) {
        if (a->addr == nullptr) {
            continue;
        }
        if (a->addr->sa_family == AF_PACKET && !facts.ethernet) {
            sockaddr_ll link;
            std::memcpy(&link, a->addr, sizeof link);
            if (link.sll_hatype == ARPHRD_ETHER && link.sll_halen == 6) {
                facts.ethernet = true;
                std::copy_n(link.sll_addr, 6, facts.adapter.mac.begin());
                facts.adapter.interfaceIndex = link.sll_ifindex;
            }
        } else if (a->addr->sa_family == AF_INET && !facts.hasIpv4) {
            facts.hasIpv4 = true;
            sockaddr_in in;
            std::memcpy(&in, a->addr, sizeof in);
            facts.adapter.address = in.sin_addr.s_addr;
            if (a->netmask != nullptr && a->netmask->sa_family == AF_INET) {
                std::memcpy(&in, a->netmask, sizeof in);
                facts.adapter.mask = in.sin_addr.s_addr;
            }
        }
    }
    return facts;
}

}  // namespace

std::optional<std::vector<CaptureAdapter>> ListInterfaceAdapters(std::string& error) {
    char reason[PCAP_ERRBUF_SIZE] = "";
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, reason) != 0) {
        error = reason;
        return std::nullopt;
    }
    // The loopback interface also reports Ethernet framing, so its flag decides. An
    // interface that is down is no adapter to search through.
    std::vector<CaptureAdapter> adapters;
    for (const pcap_if_t* d = devices; d != nullptr; d = d->next) {
        if ((d->flags & PCAP_IF_LOOPBACK) != 0 || (d->flags & PCAP_IF_UP) == 0) {
            continue;
        }
        AdapterFacts facts = FactsOf(*d);
        if (facts.ethernet && facts.hasIpv4) {
            adapters.push_back(std::move(facts.adapter));
        }
    }
    pcap_freealldevs(devices);
    return adapters;
}

}  // namespace halvera
