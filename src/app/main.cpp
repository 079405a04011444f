#include <QApplication>

#include <cstdio>
#include <string_view>

#include "app/veskar_app.h"
#include "base/build_version.h"

namespace {

constexpr const char* USAGE =
    "Usage: halvera [--help | --version] [Qt options]\n"
    "\n"
    "Halvera watches the hosts of one local IPv4 Ethernet segment: it finds them by ARP\n"
    "sweeps, keeps a node list, tests each answering node for an interface in promiscuous\n"
    "mode and answers new nodes, nodes going up or down and sniffing nodes with the actions\n"
    "set in its event settings. One program runs per data folder.\n"
    "\n"
    "  --help      print this text\n"
    "  --version   print the version and the build's commit\n"
    "\n"
    "halvera-cli does the same from a terminal or a service (halvera-cli --help).\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before QApplication, which would need a display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("halvera %s\n", halvera::VersionText().c_str());
            return 0;
        }
    }
    QApplication app(argc, argv);
    halvera::CVeskarApp veskar;
    if (!veskar.InitInstance()) {
        return veskar.RefusalStatus();
    }
    return veskar.ExitInstance(app.exec());
}
