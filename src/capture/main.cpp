// halvera-capture: the only part of Halvera that holds the right to send and capture raw
// frames. The program or halvera-cli starts it with one end of a socket pair as its
// standard input (or a socket service hands it a connection there) and it serves that one
// peer until the peer goes away.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "capture/capture_rights.h"
#include "capture/capture_service.h"
#include "capture/pcap_packet_driver.h"

using namespace halvera;

int main() {
    // A helper whose front end was killed must not stay behind in a pacing wait.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    struct stat channel {};
    if (fstat(STDIN_FILENO, &channel) != 0 || !S_ISSOCK(channel.st_mode)) {
        std::fputs(
            "halvera-capture: standard input must be the socket of the program that "
            "started it\n",
            stderr);
        return 2;
    }
    if (!LimitToRawFrameRights()) {
        std::fputs("halvera-capture: could not limit its rights\n", stderr);
        return 1;
    }
    PcapPacketDriver driver;
    CaptureService service(driver, WithRawFrameRights);
    ServeConversation(STDIN_FILENO, service);
    driver.Release();
    return 0;
}
