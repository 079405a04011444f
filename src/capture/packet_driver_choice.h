#pragma once

#include <memory>

#include "capture/helper_packet_driver.h"
#include "capture/packet_driver.h"

namespace halvera {

// Where this program looks for the capture helper: the socket named by
// HALVERA_CAPTURE_SOCKET when that is set (a helper service), else the program
// `bin/halvera-capture` beside the running executable, then the installed one.
HelperRoute DefaultHelperRoute();

// The driver for this process. The front ends hold no raw-frame rights and go through the
// helper; root already holds them and captures in-process. HALVERA_CAPTURE=helper or
// =direct chooses either way (the lab runs its tests through both).
std::unique_ptr<PacketDriver> MakePacketDriver(const HelperRoute& route = DefaultHelperRoute());

}  // namespace halvera
