#pragma once

#include <string>
#include <string_view>

#include "base/ip_address.h"

namespace halvera {

// The book of names per address (host name and workgroup or domain) that name resolution
// fills and every written node record takes its names from. The node store implements it;
// identification only reads and writes through this port.
class NameBook {
  public:
    virtual ~NameBook() = default;
    // Stores or replaces the names of the address; address 0 is ignored. Texts are CP932,
    // already free of separators and control bytes; the book cuts them to its field width.
    virtual void PutNames(Ipv4 ip, std::string_view host, std::string_view domain) = 0;
    // Replaces host and domain with the book's names of the address; leaves both as they
    // are when the book has no entry for it.
    virtual void LookupNames(Ipv4 ip, std::string& host, std::string& domain) = 0;
};

}  // namespace halvera
