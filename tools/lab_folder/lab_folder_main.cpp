// halvera-lab-folder DIR ADDRESS
//
// Sets up the program folder DIR for a run on the segment of the adapter that holds ADDRESS:
// that adapter chosen in Kelvane.ini (ADPNUM, ADPNAME), its /24 as the one search range, and
// every event kind shown on screen and logged. Run it in the namespace the program will run
// in, since the adapter list is that namespace's.
#include <cstdio>
#include <string>

#include "base/ip_address.h"
#include "base/program_folder.h"
#include "base/user_registry.h"
#include "lists/error_log.h"
#include "lists/prompt.h"
#include "capture/capture_adapter.h"
#include "capture/pcap_packet_driver.h"
#include "store/event_kind.h"
#include "store/event_settings_store.h"
#include "store/range_store.h"
#include "store/settings_files.h"
#include "store/settings_store.h"

namespace {

using namespace halvera;

class StderrPrompt : public Prompt {
  public:
    PromptResult ShowMessage(std::string_view text, PromptIcon, PromptButtons) override {
        std::fprintf(stderr, "halvera-lab-folder: %.*s\n", static_cast<int>(text.size()),
                     text.data());
        return PROMPT_OK;
    }
};

class StderrErrorLog : public ErrorLog {
  public:
    void WriteErrorLog(std::string_view tag, std::string_view message) override {
        std::fprintf(stderr, "halvera-lab-folder: %.*s: %.*s\n", static_cast<int>(tag.size()),
                     tag.data(), static_cast<int>(message.size()), message.data());
    }
};

int Fail(const char* why) {
    std::fprintf(stderr, "halvera-lab-folder: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        return Fail("usage: halvera-lab-folder DIR ADDRESS");
    }
    const Ipv4 address = InetAddr(argv[2]);
    SetProgramFolder(argv[1]);
    CreateWorkingFolders();

    PcapPacketDriver driver;
    const auto adapters = driver.Adapters();
    if (!adapters) {
        return Fail(("no adapter list: " + driver.LastError()).c_str());
    }
    int adpnum = -1;
    for (std::size_t i = 0; i < adapters->size(); ++i) {
        if ((*adapters)[i].address == address) {
            adpnum = static_cast<int>(i);
        }
    }
    if (adpnum < 0) {
        return Fail("no adapter holds the address");
    }

    StderrPrompt prompt;
    StderrErrorLog errorLog;
    SettingsStore settings;
    AppSettings app;
    app.ADPNUM = adpnum;
    app.ADPNAME = AdapterDisplayName((*adapters)[static_cast<std::size_t>(adpnum)]);
    settings.SetApp(app);
    UserRegistry registry(ProgramFolder() / "datareg.reg");
    if (SaveSettings(SAVE_APP_SETTINGS, settings, registry, errorLog) != 0) {
        return Fail("the settings could not be written");
    }

    RangeStore ranges(RangeList::Search, prompt, errorLog);
    const std::uint32_t net = HostOrder(address) & 0xFFFFFF00u;
    if (ranges.ClearRanges() != 0 ||
        ranges.AppendRange(NetworkOrder(net + 1), NetworkOrder(net + 254)) != 0) {
        return Fail("the search range could not be written");
    }

    EventSettingsStore events(prompt, errorLog);
    const char* messages[EVENT_CONFIGURABLE_COUNT] = {"%IP %MAC", "%IP", "%IP", "%IP %MAC"};
    for (int kind = 0; kind < EVENT_CONFIGURABLE_COUNT; ++kind) {
        EventSettings event;
        event.enabled = 1;
        event.screen = 1;
        event.log = 1;
        event.message = messages[kind];
        if (events.PutEventSettings(kind, event) < 0) {
            return Fail("the event settings could not be written");
        }
    }
    return 0;
}
