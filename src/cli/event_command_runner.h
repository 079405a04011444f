#pragma once

#include "cli/console.h"
#include "cli/event_command.h"
#include "cli/list_writer.h"
#include "monitor/engine.h"

namespace halvera {

// Runs an event settings command on the engine as the event settings dialogs would: the same
// checks and messages, and each change stored as the dialogs' OK stores it. Lists go through
// the writer.
class EventCommandRunner {
  public:
    EventCommandRunner(Engine& engine, Console& console, ListWriter lists)
        : m_engine(engine), m_console(console), m_lists(lists) {}

    // The exit status: 0 done, 1 failed (a file could not be written), 2 a value refused by
    // the dialogs' checks, with nothing stored.
    int Run(const EventCommand& command);

  private:
    int PrintEvents();
    int SetEvent(int kind, const std::vector<std::pair<std::string, std::string>>& fields);
    int PrintActionRanges();
    int AddActionRange(const IpRange& range);
    int DeleteActionRange(const IpRange& range);
    int PrintAllEvent();
    // The event settings dialog's OK with these ranges (nothing keeps the list).
    int ApplyNodes(bool allNodes, const std::optional<std::vector<IpRange>>& ranges);
    // The exit status of a change; the reason it was refused, or what was not stored, is
    // printed.
    int Outcome(const CommandResult& change, const std::string& what);
    int PrintSniffCriterion();
    int SetSniffCriterion(bool anyTest, std::int32_t tests);

    Engine& m_engine;
    Console& m_console;
    ListWriter m_lists;
};

}  // namespace halvera
