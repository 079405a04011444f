#include "cli/cli_verbs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/setting_fields.h"
#include "net/local_network_range.h"

namespace halvera {
namespace {

// The numbers of mail set: pop 0 or 1, security and smtpauth 0 to 2, smtpport a number
// whose range the mail settings' own check holds.
bool MailNumberAllowed(std::string_view field, std::string_view value) {
    if (field == "pop") {
        return value == "0" || value == "1";
    }
    if (field == "security" || field == "smtpauth") {
        return value == "0" || value == "1" || value == "2";
    }
    if (field == "smtpport") {
        return !value.empty() && value.size() <= 9 &&
               std::all_of(value.begin(), value.end(),
                           [](unsigned char c) { return std::isdigit(c) != 0; });
    }
    return true;
}

// A text of a mail setting goes into SMTP and POP commands and into one line of the
// registry file: a control character would end the command or the line early.
bool HoldsControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

void ParseMail(std::string_view, const CliArguments& rest, CliOptions& options) {
    if (rest.empty()) {
        options.run = &CliSession::PrintMail;
        return;
    }
    if (rest[0] == "test" && rest.size() == 1) {
        options.run = &CliSession::SendTestMail;
        return;
    }
    if (rest[0] != "set" || rest.size() < 3 || rest.size() % 2 == 0) {
        options.error = "mail needs nothing, set FIELD VALUE... or test";
        return;
    }
    for (std::size_t i = 1; i < rest.size(); i += 2) {
        std::string field(rest[i]);
        std::transform(field.begin(), field.end(), field.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const std::string_view value = rest[i + 1];
        if (std::find(MAIL_FIELD_NAMES.begin(), MAIL_FIELD_NAMES.end(), field) ==
            MAIL_FIELD_NAMES.end()) {
            options.error = "mail set has no field " + std::string(rest[i]);
            return;
        }
        if (HoldsControlCharacter(value)) {
            options.error = field + " cannot hold a control character";
            return;
        }
        if (!MailNumberAllowed(field, value)) {
            options.error = field + " cannot be " + std::string(value);
            return;
        }
        options.mail.emplace_back(std::move(field), value);
    }
    options.run = &CliSession::SetMail;
}

constexpr const char* RANGES_SHAPE = "ranges needs list, add START END, add NETWORK/BITS or clear";

void ParseRanges(std::string_view, const CliArguments& rest, CliOptions& options) {
    if (rest.empty()) {
        options.error = RANGES_SHAPE;
    } else if (rest[0] == "list" && rest.size() == 1) {
        options.run = &CliSession::PrintRanges;
    } else if (rest[0] == "clear" && rest.size() == 1) {
        options.run = &CliSession::ClearRanges;
    } else if (rest[0] == "add" && rest.size() == 3) {
        const auto start = ParseDottedAddress(rest[1]);
        const auto end = ParseDottedAddress(rest[2]);
        if (!start || !end) {
            options.error = "ranges add needs two dotted IPv4 addresses";
            return;
        }
        options.run = &CliSession::AddRange;
        options.rangeStart = *start;
        options.rangeEnd = *end;
    } else if (const auto network =
                   rest.size() == 2 && rest[0] == "add" ? ParseCidrRange(rest[1]) : std::nullopt) {
        options.run = &CliSession::AddRange;
        options.rangeStart = network->start;
        options.rangeEnd = network->end;
    } else {
        options.error = RANGES_SHAPE;
    }
}

// A mask of the allowed bits in decimal or as 0x and hexadecimal digits.
std::optional<std::int32_t> ParseMask(std::string_view text, std::int32_t allowedBits) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    std::int64_t mask = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), mask, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || mask < 0 ||
        (mask & ~static_cast<std::int64_t>(allowedBits)) != 0) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(mask);
}

// export columns [MASK]: the PRINT bits.
void ParseExportColumns(const CliArguments& rest, CliOptions& options) {
    if (rest.size() == 1) {
        options.run = &CliSession::PrintExportColumns;
        return;
    }
    const auto mask = rest.size() == 2 ? ParseMask(rest[1], PrintMaskBits()) : std::nullopt;
    if (!mask) {
        options.error =
            "export columns needs a PRINT mask of the node list's export columns (0 to 0x3F7F)";
        return;
    }
    options.run = &CliSession::SetExportColumns;
    options.printMask = *mask;
}

void ParseExport(std::string_view, const CliArguments& rest, CliOptions& options) {
    struct ListName {
        std::string_view name;
        ExportList list;
    };
    constexpr ListName LISTS[] = {{"nodes", ExportList::NodeList},
                                  {"events", ExportList::EventLog},
                                  {"errors", ExportList::ErrorLog}};
    if (!rest.empty() && rest[0] == "columns") {
        ParseExportColumns(rest, options);
        return;
    }
    const char* const shape = "export needs csv or html, then nodes, events or errors, and a file";
    if (rest.size() < 2 || rest.size() > 3 || (rest[0] != "csv" && rest[0] != "html")) {
        options.error = shape;
        return;
    }
    for (const ListName& list : LISTS) {
        if (list.name == rest[1]) {
            options.run = &CliSession::Export;
            options.exportFormat = rest[0] == "csv" ? ExportFormat::Csv : ExportFormat::Html;
            options.exportList = list.list;
            if (rest.size() == 3) {
                options.exportFile = std::filesystem::path(rest[2]);
            }
            return;
        }
    }
    options.error = shape;
}

void ParseLabel(std::string_view, const CliArguments& rest, CliOptions& options) {
    const auto address = rest.size() == 2 ? ParseDottedAddress(rest[0]) : std::nullopt;
    if (!address) {
        options.error = "label needs a dotted IPv4 address and a text";
        return;
    }
    options.labelAddress = *address;
    options.label = std::string(rest[1]);
}

void ParseColours(std::string_view, const CliArguments& rest, CliOptions& options) {
    const char* const shape = "colours needs nothing, set KEY #RRGGBB or scheme light|dark";
    if (rest.empty()) {
        options.run = &CliSession::PrintColours;
    } else if (rest[0] == "set" && rest.size() == 3) {
        const auto item = DisplayColourItemOfKey(rest[1]);
        if (!item) {
            options.error =
                "colours set needs one of BCOLOR, BCOLOR2, FCOLOR, NCOLOR, SCOLOR or "
                "PCOLOR, not " +
                std::string(rest[1]);
            return;
        }
        const auto colour = ParseColourText(rest[2]);
        if (!colour) {
            options.error = "colours set needs a colour as #RRGGBB (six hexadecimal digits), not " +
                            std::string(rest[2]);
            return;
        }
        options.run = &CliSession::SetColour;
        options.colourItem = *item;
        options.colour = *colour;
    } else if (rest[0] == "scheme" && rest.size() == 2) {
        const auto scheme = ColourSchemeOfName(rest[1]);
        if (!scheme) {
            options.error = "colours scheme needs light or dark, not " + std::string(rest[1]);
            return;
        }
        options.run = &CliSession::SetColourScheme;
        options.colourScheme = *scheme;
    } else {
        options.error = shape;
    }
}

bool IsDecimal(std::string_view text) {
    return !text.empty() && text.size() <= 9 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

// NAME, or NAME set KEY VALUE... with the keys of its table; a mask is kept in decimal.
void ParseKeyValues(const CliArguments& rest, SettingCli keys, const std::string& name, CliRun show,
                    CliRun set, CliOptions& options) {
    if (rest.empty()) {
        options.run = show;
        return;
    }
    if (rest[0] != "set" || rest.size() < 3 || rest.size() % 2 == 0) {
        options.error = name + " needs nothing, or set KEY VALUE...";
        return;
    }
    for (std::size_t i = 1; i < rest.size(); i += 2) {
        const std::string_view key = rest[i];
        std::string value(rest[i + 1]);
        const auto shape = SettingShapeOf(keys, key);
        if (!shape) {
            options.error = name + " set has no key " + std::string(key);
            return;
        }
        bool fits = false;
        if (shape->maskBits != 0) {
            const auto mask = ParseMask(value, shape->maskBits);
            fits = mask.has_value();
            value = fits ? std::to_string(*mask) : value;
        } else if (!shape->values.empty()) {
            fits =
                std::find(shape->values.begin(), shape->values.end(), value) != shape->values.end();
        } else {
            fits = shape->checkedOnStore || IsDecimal(value);
        }
        if (!fits) {
            options.error = std::string(key) + " cannot be " + value;
            return;
        }
        options.settings.emplace_back(key, value);
    }
    options.run = set;
}

void ParseSettings(std::string_view name, const CliArguments& rest, CliOptions& options) {
    ParseKeyValues(rest, SettingCli::Settings, std::string(name), &CliSession::PrintSettings,
                   &CliSession::SetSettings, options);
}

void ParseOptions(std::string_view name, const CliArguments& rest, CliOptions& options) {
    ParseKeyValues(rest, SettingCli::Options, std::string(name), &CliSession::PrintOptions,
                   &CliSession::SetOptions, options);
}

void ParseNoArguments(std::string_view name, const CliArguments& rest, CliOptions& options) {
    if (!rest.empty()) {
        options.error = std::string(name) + " takes no arguments";
    }
}

void ParseNode(std::string_view name, const CliArguments& rest, CliOptions& options) {
    if (rest.size() != 1) {
        options.error = std::string(name) + " needs one address or name";
        return;
    }
    options.node = std::string(rest[0]);
}

void ParseEventSettings(std::string_view name, const CliArguments& rest, CliOptions& options) {
    options.error = ParseEventCommand(name, rest, options.eventCommand);
}

const CliVerb VERBS[] = {
    {"search",
     "  search                     search every address of the search ranges once; on a\n"
     "                             terminal one line shows the addresses done, the nodes\n"
     "                             found, the rate and the time left, elsewhere a line for\n"
     "                             each tenth; the events are printed as they happen\n",
     ParseNoArguments, &CliSession::Search},
    {"refresh", "  refresh                    get the latest status of every monitored node once\n",
     ParseNoArguments, &CliSession::Refresh},
    {"refresh-node", "  refresh-node ADDRESS|NAME  get the latest status of one node\n", ParseNode,
     &CliSession::RefreshNode},
    {"nodes", "  nodes                      print the node list\n", ParseNoArguments,
     &CliSession::PrintNodes},
    {"events", "  events                     print the event log\n", ParseNoArguments,
     &CliSession::PrintEvents},
    {"errors", "  errors                     print the error log\n", ParseNoArguments,
     &CliSession::PrintErrors},
    {"ranges",
     "  ranges list                print the search ranges\n"
     "  ranges add START END       add a search range (dotted addresses)\n"
     "  ranges add NETWORK/BITS    add the host addresses of a network (198.18.7.0/24 adds\n"
     "                             198.18.7.1 to 198.18.7.254)\n"
     "  ranges clear               remove every search range\n",
     ParseRanges, nullptr},
    {"monitor", "  monitor                    poll as the program does until SIGINT or SIGTERM\n",
     ParseNoArguments, &CliSession::Monitor},
    {"export",
     "  export csv|html nodes|events|errors [FILE]\n"
     "                             write a list as the program exports it (CP932), to FILE\n"
     "                             or standard output\n"
     "  export columns [MASK]      print the node list columns the exports write, or set\n"
     "                             them as a PRINT mask (e.g. 0x3F7E, the default)\n",
     ParseExport, nullptr},
    {"label",
     "  label ADDRESS TEXT         set the label of a node of the node list (at most 36 bytes\n"
     "                             in CP932, no comma; an empty TEXT clears it)\n",
     ParseLabel, &CliSession::SetLabel},
    {"colours",
     "  colours                    print the six list colours\n"
     "  colours set KEY #RRGGBB    set one list colour: BCOLOR background, BCOLOR2 background\n"
     "                             of odd node list rows, FCOLOR text and running nodes,\n"
     "                             NCOLOR unmonitored nodes, SCOLOR stopped nodes, PCOLOR\n"
     "                             sniffing nodes\n"
     "  colours scheme light|dark  set all six to a standard scheme (white or black)\n",
     ParseColours, nullptr},
    {"adapters", "  adapters                   print the network adapters with their ADPNUM\n",
     ParseNoArguments, &CliSession::PrintAdapters},
    {"settings",
     "  settings                   print the search settings\n"
     "  settings set KEY VALUE...  change search settings with the checks of the search\n"
     "                             settings dialog; nothing is stored when one is refused:\n"
     "                             ADPNUM (see adapters), NEWENABLE, LOOKENABLE and NODEDISP\n"
     "                             (0 or 1), NEWTIME and LOOKTIME (in their unit),\n"
     "                             NEWTIMEUNIT and LOOKTIMEUNIT (60, 3600 or 86400 seconds),\n",
     ParseSettings, nullptr, SettingCli::Settings},
    {"mail",
     "  mail                       print the mail settings (the password as ********)\n"
     "  mail set FIELD VALUE...    change mail settings with the checks of the mail settings\n"
     "                             dialog's OK; nothing is stored when one is refused:\n"
     "                             smtpserver, popserver, userid, passward (at most 36 bytes\n"
     "                             in CP932), adrfrom, adrto1, adrto2, adrto3, subject (at most\n"
     "                             128 bytes), pop (1: POP before SMTP, or 0), smtpport\n"
     "                             (1-65535), security (0 none, 1 STARTTLS, 2 TLS from the\n"
     "                             start), smtpauth (0 none, 1 AUTH PLAIN, 2 AUTH LOGIN),\n"
     "                             authuser, authpass (at most 128 bytes); an empty VALUE\n"
     "                             clears a text field\n"
     "  mail test                  send the test mail with the mail settings, as the dialog's\n"
     "                             test send does; its errors go to standard error\n",
     ParseMail, nullptr},
    {"options",
     "  options                    print the list and start-up options\n"
     "  options set KEY VALUE...   change them with the checks of the options dialog:\n"
     "                             MAP node list columns (mask of 0xFFF: 0x1 label, 0x2 B47,\n"
     "                             0x4 B16, 0x8 B8, 0x20 address, 0x40 MAC, 0x80 host name,\n"
     "                             0x100 domain, 0x200 vendor, 0x400 detected, 0x800 updated),\n"
     "                             ELIST event list columns (mask of 0x7F: 0x1 label,\n"
     "                             0x2 address, 0x4 MAC, 0x8 host name, 0x10 domain,\n"
     "                             0x20 vendor, 0x40 information), ELISTMAX (1-65535 rows),\n"
     "                             SCROLL, BSORT and BPOLING (0 or 1), SORT (1 address,\n"
     "                             2 MAC, 3 label, 4 host name, 5 workgroup or domain)\n",
     ParseOptions, nullptr},
    {"event",
     "  event                      print the actions of the six event kinds (0 new node,\n"
     "                             1 node up, 2 node down, 3 sniffing node, 4 address\n"
     "                             changed, 5 device changed); a kind never set is disabled\n"
     "  event set KIND FIELD VALUE...\n"
     "                             change a kind's actions with the checks of the event\n"
     "                             action dialog; nothing is stored when one is refused:\n"
     "                             enabled, screen, log, beep (0 or 1); message, popup,\n"
     "                             file, mail (texts of at most 128 bytes in CP932, no\n"
     "                             comma, with %LABEL %IP %MAC %HOST %VEN %DATE %TIME);\n"
     "                             sound (a .wav file)\n",
     ParseEventSettings, &CliSession::RunEventCommand},
    {"action-ranges",
     "  action-ranges list         print the action node ranges\n"
     "  action-ranges add START END | add NETWORK/BITS\n"
     "                             add an action node range (a start above the end is\n"
     "                             refused)\n"
     "  action-ranges delete START END | delete NETWORK/BITS\n"
     "                             remove an action node range\n"
     "  action-ranges clear        remove every action node range\n"
     "  action-ranges allevent [0|1]\n"
     "                             print or set ALLEVENT: 1 the event actions apply to all\n"
     "                             nodes, 0 only to nodes inside the action node ranges\n",
     ParseEventSettings, &CliSession::RunEventCommand},
    {"sniff",
     "  sniff                      print the sniffing criterion PROMISS\n"
     "  sniff set any | none | TEST...\n"
     "                             a node that answers any fake packet is a sniffing node\n"
     "                             (the tests chosen before are kept), or one that answers\n"
     "                             each of the tests B47, B16, B8 given (none: no node)\n",
     ParseEventSettings, &CliSession::RunEventCommand},
};

}  // namespace

std::span<const CliVerb> CliVerbs() {
    return VERBS;
}

bool PrintsListing(const CliOptions& options) {
    if (options.run == &CliSession::RunEventCommand) {
        const EventCommand::Action action = options.eventCommand.action;
        return action == EventCommand::EVENTS_SHOW || action == EventCommand::ACTION_RANGES_LIST ||
               action == EventCommand::ALLEVENT_SHOW || action == EventCommand::SNIFF_SHOW;
    }
    constexpr CliRun LISTINGS[] = {&CliSession::PrintNodes,    &CliSession::PrintEvents,
                                   &CliSession::PrintErrors,   &CliSession::PrintRanges,
                                   &CliSession::PrintColours,  &CliSession::PrintAdapters,
                                   &CliSession::PrintSettings, &CliSession::PrintMail,
                                   &CliSession::PrintOptions,  &CliSession::PrintExportColumns};
    return std::find(std::begin(LISTINGS), std::end(LISTINGS), options.run) != std::end(LISTINGS);
}

}  // namespace halvera
