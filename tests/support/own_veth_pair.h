#pragma once

#include <string>
#include <vector>

namespace halvera::test {

// Runs ip(8) with these arguments in the calling thread's namespace; its exit status.
int Ip(std::vector<std::string> args);

// A veth pair of a test's own in the calling thread's namespace (the lab's own host): `name`
// with ADDRESS/24 and MAC, its peer up without an address, so that a capture on the peer sees
// what leaves by `name` and no adapter list holds the peer. Removed with the object.
class OwnVethPair {
  public:
    static constexpr const char* MAC = "02:48:4c:56:09:0a";
    static constexpr const char* ADDRESS = "198.18.9.10";

    OwnVethPair(std::string name, std::string peer);
    ~OwnVethPair();
    OwnVethPair(const OwnVethPair&) = delete;
    OwnVethPair& operator=(const OwnVethPair&) = delete;

    bool Made() const { return m_made; }
    // Removes the pair and makes it again as it was: the same names, MAC and address, under
    // new interface indexes.
    bool Renumber();

  private:
    bool Make();

    std::string m_name;
    std::string m_peer;
    bool m_made = false;
};

}  // namespace halvera::test
