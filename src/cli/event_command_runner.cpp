#include "cli/event_command_runner.h"

#include <algorithm>

#include "base/text_codec.h"
#include "cli/cli_listings.h"
#include "store/event_kind.h"
#include "store/search_settings_check.h"
#include "store/sniff_criterion.h"

namespace halvera {
namespace {

// The field of a record that event set names; the parser let only these names through.
std::int32_t* SwitchField(EventSettings& record, std::string_view name) {
    return name == "enabled"  ? &record.enabled
           : name == "screen" ? &record.screen
           : name == "log"    ? &record.log
           : name == "beep"   ? &record.beep
                              : nullptr;
}

std::string* TextField(EventSettings& record, std::string_view name) {
    return name == "message" ? &record.message
           : name == "popup" ? &record.popupText
           : name == "file"  ? &record.filePath
           : name == "mail"  ? &record.mailText
                             : &record.soundFile;
}

std::string RangeText(const IpRange& range) {
    return FormatIp(range.start) + " - " + FormatIp(range.end);
}

}  // namespace

int EventCommandRunner::Run(const EventCommand& command) {
    switch (command.action) {
        case EventCommand::EVENTS_SHOW:
            return PrintEvents();
        case EventCommand::EVENT_SET:
            return SetEvent(command.kind, command.fields);
        case EventCommand::ACTION_RANGES_LIST:
            return PrintActionRanges();
        case EventCommand::ACTION_RANGES_ADD:
            return AddActionRange(command.range);
        case EventCommand::ACTION_RANGES_DELETE:
            return DeleteActionRange(command.range);
        case EventCommand::ACTION_RANGES_CLEAR:
            return ApplyNodes(m_engine.Settings().App().ALLEVENT != 0, std::vector<IpRange>{});
        case EventCommand::ALLEVENT_SHOW:
            return PrintAllEvent();
        case EventCommand::ALLEVENT_SET:
            return ApplyNodes(command.allNodes, std::nullopt);
        case EventCommand::SNIFF_SHOW:
            return PrintSniffCriterion();
        case EventCommand::SNIFF_SET:
            return SetSniffCriterion(command.anyTest, command.tests);
    }
    return 1;
}

int EventCommandRunner::PrintEvents() {
    std::vector<EventSettings> records;
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        records.push_back(m_engine.ReadEventSettings(kind));
    }
    m_lists.Table(EventSettingsListing(records));
    return 0;
}

int EventCommandRunner::SetEvent(int kind,
                                 const std::vector<std::pair<std::string, std::string>>& fields) {
    // The record the event action dialog would open with, changed as asked.
    EventSettings record = m_engine.ReadEventSettings(kind);
    for (const auto& [field, value] : fields) {
        if (std::int32_t* flag = SwitchField(record, field)) {
            *flag = value == "1" ? 1 : 0;
            continue;
        }
        const auto text = Utf8ToCp932(value);
        if (!text) {
            m_console.Err("halvera-cli: the " + field +
                          " text holds a character that CP932 cannot express");
            return 2;
        }
        *TextField(record, field) = *text;
    }
    return Outcome(m_engine.PutEventSettings(kind, record), "the event settings");
}

int EventCommandRunner::PrintActionRanges() {
    m_lists.Table(RangeListing(m_engine.ListRanges(RangeList::Action)));
    return 0;
}

int EventCommandRunner::AddActionRange(const IpRange& range) {
    // As the range dialog checks it before the list takes it.
    if (const std::string refusal = CheckSearchRange(range.start, range.end); !refusal.empty()) {
        m_console.ErrCp932(refusal);
        return 2;
    }
    std::vector<IpRange> ranges = m_engine.ListRanges(RangeList::Action);
    ranges.push_back(range);
    return ApplyNodes(m_engine.Settings().App().ALLEVENT != 0, ranges);
}

int EventCommandRunner::DeleteActionRange(const IpRange& range) {
    std::vector<IpRange> ranges = m_engine.ListRanges(RangeList::Action);
    const auto found = std::find(ranges.begin(), ranges.end(), range);
    if (found == ranges.end()) {
        m_console.Err("halvera-cli: " + RangeText(range) + " is not an action node range");
        return 1;
    }
    ranges.erase(found);
    return ApplyNodes(m_engine.Settings().App().ALLEVENT != 0, ranges);
}

int EventCommandRunner::PrintAllEvent() {
    m_lists.Values({{"ALLEVENT", SwitchCell(m_engine.Settings().App().ALLEVENT)}});
    return 0;
}

int EventCommandRunner::ApplyNodes(bool allNodes,
                                   const std::optional<std::vector<IpRange>>& ranges) {
    return Outcome(m_engine.ApplyEventNodes(allNodes, ranges), "the action node ranges");
}

int EventCommandRunner::Outcome(const CommandResult& change, const std::string& what) {
    switch (change.outcome) {
        case CommandResult::DONE:
            return 0;
        case CommandResult::REFUSED:
            m_console.ErrCp932(change.message);
            return 2;
        case CommandResult::FAILED:
            break;
    }
    m_console.Err("halvera-cli: " + what + " could not be stored");
    return 1;
}

int EventCommandRunner::PrintSniffCriterion() {
    const std::int32_t promiss = m_engine.Settings().App().PROMISS;
    m_lists.Values({{"PROMISS", NumberCell(promiss)},
                    {"any", FlagCell((promiss & PROMISS_ANY) != 0)},
                    {"B47", FlagCell((promiss & PROMISS_B47) != 0)},
                    {"B16", FlagCell((promiss & PROMISS_B16) != 0)},
                    {"B8", FlagCell((promiss & PROMISS_B8) != 0)}});
    return 0;
}

int EventCommandRunner::SetSniffCriterion(bool anyTest, std::int32_t tests) {
    const std::int32_t previous = m_engine.Settings().App().PROMISS;
    // Gr cannot be chosen in the dialog either; its box keeps the stored bit.
    m_engine.SetSniffCriterion(
        SniffCriterionAfter(previous, anyTest, tests | (previous & PROMISS_GR)));
    // The dialog's choice is saved by the event settings dialog's OK that follows it.
    m_engine.SaveSettings();
    return 0;
}

}  // namespace halvera
