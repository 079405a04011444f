#include "capture/packet_driver_choice.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "capture/pcap_packet_driver.h"

namespace halvera {
namespace {

std::string_view Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

HelperRoute DefaultHelperRoute() {
    HelperRoute route;
    route.serviceSocket = std::string(Environment("HALVERA_CAPTURE_SOCKET"));
    std::error_code ec;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        route.programs.push_back(executable.parent_path() / "bin" / "halvera-capture");
    }
    route.programs.push_back(HALVERA_INSTALLED_CAPTURE);
    return route;
}

std::unique_ptr<PacketDriver> MakePacketDriver(const HelperRoute& route) {
    const std::string_view choice = Environment("HALVERA_CAPTURE");
    const bool helper = choice == "helper" || (choice != "direct" && geteuid() != 0);
    if (helper) {
        return std::make_unique<HelperPacketDriver>(route);
    }
    return std::make_unique<PcapPacketDriver>();
}

}  // namespace halvera
