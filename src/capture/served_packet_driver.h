#pragma once

#include <optional>

#include "capture/capture_adapter.h"
#include "capture/interface_state.h"
#include "capture/packet_driver.h"

namespace halvera {

// The packet driver the capture helper serves from. The helper looks an adapter up once, in
// one list, and opens exactly that one; before every batch it asks what that adapter holds
// now, so no frame leaves with an address or a MAC the adapter gave up or never had.
class ServedPacketDriver : public PacketDriver {
  public:
    // Opens this adapter of an Adapters() list for promiscuous capture: the interface of its
    // name, and only while that name still belongs to the interface index listed (one removed
    // and made again, or another that took the name, is refused). The capture window starts
    // here, as with Open.
    virtual bool OpenAdapter(const CaptureAdapter& adapter) = 0;

    // The open adapter's interface as the kernel has it now. Nothing when none is open, or
    // its interface is gone or cannot be read.
    virtual std::optional<InterfaceState> OpenInterfaceNow() = 0;
};

}  // namespace halvera
