#pragma once

#include <filesystem>
#include <memory>

#include "capture/packet_driver.h"

namespace halvera::test {

// The capture helper of this build (build/halvera/bin/halvera-capture).
std::filesystem::path BuildCaptureHelper();

// The driver a lab test probes with: in this process, or through the build's capture helper
// when HALVERA_CAPTURE=helper (the lab's tests run both ways, the second under the name
// prefix "helper/").
std::unique_ptr<PacketDriver> LabPacketDriver();

}  // namespace halvera::test
