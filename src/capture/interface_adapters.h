#pragma once

#include <optional>
#include <string>
#include <vector>

#include "capture/capture_adapter.h"

namespace halvera {

// The adapters ADPNUM indexes, from the kernel's interface list as libpcap reads it: the
// interfaces that are up, Ethernet (AF_PACKET hardware type 1), not loopback and have an
// IPv4 address, in pcap's order. Reading the list needs no raw-frame right, so a user who
// may not search still sees the adapters. Nothing, with libpcap's reason in error, when the
// list cannot be read.
std::optional<std::vector<CaptureAdapter>> ListInterfaceAdapters(std::string& error);

}  // namespace halvera
