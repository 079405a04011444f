#include "support/lab_packet_driver.h"

#include "capture/packet_driver_choice.h"
#include "support/cli_process.h"

namespace halvera::test {

std::filesystem::path BuildCaptureHelper() {
    return CliPath().parent_path() / "bin" / "halvera-capture";
}

std::unique_ptr<PacketDriver> LabPacketDriver() {
    HelperRoute route;
    route.programs.push_back(BuildCaptureHelper());
    return MakePacketDriver(route);
}

}  // namespace halvera::test
