#include "support/own_veth_pair.h"

#include <utility>

#include "support/child_process.h"

namespace halvera::test {

int Ip(std::vector<std::string> args) {
    args.insert(args.begin(), "ip");
    return RunProgram(args);
}

OwnVethPair::OwnVethPair(std::string name, std::string peer)
    : m_name(std::move(name)), m_peer(std::move(peer)) {
    // What an earlier run that was killed left behind.
    Ip({"link", "del", m_name});
    Make();
}

OwnVethPair::~OwnVethPair() {
    Ip({"link", "del", m_name});
}

bool OwnVethPair::Renumber() {
    return Ip({"link", "del", m_name}) == 0 && Make();
}

bool OwnVethPair::Make() {
    m_made =
        Ip({"link", "add", m_name, "address", MAC, "type", "veth", "peer", "name", m_peer}) == 0 &&
        Ip({"addr", "add", std::string(ADDRESS) + "/24", "dev", m_name}) == 0 &&
        Ip({"link", "set", m_name, "up"}) == 0 && Ip({"link", "set", m_peer, "up"}) == 0;
    return m_made;
}

}  // namespace halvera::test
