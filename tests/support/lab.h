#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/ip_address.h"
#include "capture/packet_driver.h"

namespace halvera::test {

// One address of the lab segment as scripts/lab shows it.
struct LabHost {
    std::string kind;       // own, side, normal, sniffing, partial, empty
    std::string nameSpace;  // "-" for an empty address
    std::string interface;
    Ipv4 address = 0;
    std::string mac;
};

// The lab segment of scripts/lab, built afresh for this process at the first use and
// removed when the process ends. The lab tests and the benchmark run their probes from the
// own host's namespace, never from the namespace the process started in.
class Lab {
  public:
    static Lab& Get();

    // Why the lab cannot exist here (no root, no network namespaces); empty otherwise.
    const std::string& SkipReason() const { return m_skipReason; }
    // Why the lab failed to build although it could; empty when it is up.
    const std::string& Failure() const { return m_failure; }

    std::vector<LabHost> Hosts(std::string_view kind) const;
    // The hosts of these kinds, kind after kind.
    std::vector<LabHost> Hosts(std::initializer_list<std::string_view> kinds) const;
    // In address order, as the node list shows them after a search.
    static void SortByAddress(std::vector<LabHost>& hosts);
    const LabHost& Own() const;

    // Moves the calling thread into the own host's namespace and checks that it got there;
    // false when it did not, and then nothing may be sent. The thread then also sees the own
    // host's files of /etc/netns over those of /etc (its hosts file, resolver set-up), as a
    // program started with `ip netns exec` does.
    bool EnterOwnHost();
    // Moves the calling thread back to the namespaces it started in.
    void LeaveOwnHost();

    // Position of host's interface in the driver's adapter list, or -1.
    static int AdapterIndexOf(PacketDriver& driver, const LabHost& host);

    // Sets an interface of the calling thread's namespace up or down.
    static bool SetLinkUp(const std::string& interface, bool up);

    ~Lab();
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

  private:
    Lab();
    bool EnterOwnHostFiles();

    std::string m_skipReason;
    std::string m_failure;
    std::vector<LabHost> m_hosts;
    int m_startNamespace = -1;
    int m_startMounts = -1;
    int m_startDirectory = -1;  // open while the thread has mounts of its own
    int m_machineLock = -1;
    bool m_built = false;
};

}  // namespace halvera::test
