#pragma once

#include <span>

#include "base/ip_address.h"

namespace halvera {

// The NetBIOS names of a run's answering nodes as the steps see them: asked for once the
// presence probes have found who answers, so that a silent address costs no query, and
// awaited before a step reads the name book.
class RunNames {
  public:
    virtual ~RunNames() = default;
    // Asks the answering addresses of a block for their names, beside the caller.
    virtual void Query(std::span<const Ipv4> answered) = 0;
    // Before the name book is read for the address: waits for the names asked so far; an
    // address that answered but was never asked (probed on its own) is asked now. With
    // answered false it only waits (the address is not looked at).
    virtual void Await(Ipv4 address, bool answered) = 0;
};

}  // namespace halvera
