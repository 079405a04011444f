#include "support/cli_lab_folder.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "base/user_registry.h"
#include "store/event_kind.h"
#include "store/event_settings_store.h"
#include "store/range_store.h"
#include "store/settings_files.h"
#include "store/settings_store.h"
#include "support/lab.h"
#include "support/lab_packet_driver.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace halvera::test {

bool CliLabFolder::Prepare(const std::function<void(AppSettings&)>& change,
                           const char* lastAddress) {
    const int adpnum = Lab::AdapterIndexOf(*LabPacketDriver(), Lab::Get().Own());
    if (adpnum < 0) {
        m_failure = "the own host's eth0 is not in the adapter list";
        return false;
    }
    // The stores below write into the process's program folder.
    SetProgramFolder(m_folder.Path());
    RecordingPrompt prompt;
    RecordingErrorLog log;
    SettingsStore settings;
    AppSettings app;
    app.ADPNUM = adpnum;
    if (change) {
        change(app);
    }
    settings.SetApp(app);
    UserRegistry registry(m_folder.Path() / "datareg.reg");
    EventSettingsStore events(prompt, log);
    RangeStore ranges(RangeList::Search, prompt, log);
    if (SaveSettings(SAVE_APP_SETTINGS, settings, registry, log) != 0 ||
        ranges.AppendRange(InetAddr("198.18.7.0"), InetAddr(lastAddress)) != 0) {
        m_failure = "the settings or the search range could not be written";
        return false;
    }
    for (int kind = 0; kind < EVENT_CONFIGURABLE_COUNT; ++kind) {
        EventSettings event;
        event.enabled = 1;
        event.screen = 1;
        event.log = 1;
        event.message = "%IP";
        if (events.PutEventSettings(kind, event) < 0) {
            m_failure = "the event settings could not be written";
            return false;
        }
    }
    return true;
}

std::vector<std::string> CliLabFolder::Args(std::initializer_list<std::string> command) const {
    std::vector<std::string> args{"--home", m_folder.Path().string()};
    args.insert(args.end(), command.begin(), command.end());
    return args;
}

CliResult CliLabFolder::Cli(std::initializer_list<std::string> command) const {
    auto result = RunCli(Args(command));
    EXPECT_EQ(result.status, 0) << testing::PrintToString(std::vector<std::string>(command)) << "\n"
                                << result.err;
    return result;
}

std::vector<std::vector<std::string>> TsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos;
             start = tab + 1) {
            cells.push_back(line.substr(start, tab - start));
        }
        cells.push_back(line.substr(start));
        rows.push_back(cells);
    }
    return rows;
}

}  // namespace halvera::test
