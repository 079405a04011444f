#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ip_address.h"
#include "cli/cli_verbs.h"
#include "cli/event_command.h"
#include "export/export_table.h"
#include "export/list_exporter.h"
#include "store/display_colours.h"

namespace halvera {

// The usage text of halvera-cli (UTF-8), the commands' entries from the verb table.
const std::string& CliUsage();

// A command line of halvera-cli, checked for its shape: a known command with the arguments
// it takes. Whether the arguments make sense for the data is the command's business.
struct CliOptions {
    CliRun run = nullptr;  // the command read; nothing with help, version or an error
    bool help = false;     // --help: print the usage and do nothing else
    bool version = false;  // --version: print the version and the build's commit
    bool quiet = false;    // --quiet: a search prints its events only
    bool json = false;     // --json: a listing as one JSON document
    std::optional<std::filesystem::path> home;  // --home DIR
    std::string node;                           // refresh-node: the address or name as given
    Ipv4 rangeStart = 0;                        // ranges add
    Ipv4 rangeEnd = 0;
    ExportFormat exportFormat = ExportFormat::Csv;    // export: csv or html
    ExportList exportList = ExportList::NodeList;     // export: nodes, events or errors
    std::int32_t printMask = 0;                       // export columns MASK: the PRINT bits
    std::optional<std::filesystem::path> exportFile;  // export: standard output when empty
    Ipv4 labelAddress = 0;                            // label: the node and its new label (UTF-8)
    std::string label;
    int colourItem = COLOUR_BACKGROUND;  // colours set: the item and its colour (0x00BBGGRR)
    std::int32_t colour = 0;
    ColourScheme colourScheme = ColourScheme::Light;  // colours scheme
    // settings set, options set: the keys of Kelvane.ini with their values as given (masks
    // in decimal), in order.
    std::vector<std::pair<std::string, std::string>> settings;
    EventCommand eventCommand;  // event, action-ranges, sniff
    // mail set: the mail settings' registry names (lower case) with their values (UTF-8), in
    // order.
    std::vector<std::pair<std::string, std::string>> mail;
    std::string error;  // why the command line is bad usage; empty when good
};

// Reads argv[1..argc-1]: options (--home DIR, --home=DIR, --quiet, --help) first, then the command
// and its arguments.
CliOptions ParseCliOptions(const std::vector<std::string_view>& arguments);

// The names mail and mail set use for the mail settings, as their registry values are named,
// in the order of the mail settings dialog.
extern const std::vector<std::string_view> MAIL_FIELD_NAMES;
// The fields of MAIL_FIELD_NAMES that hold numbers.
extern const std::vector<std::string_view> MAIL_NUMBER_NAMES;

// A dotted IPv4 address of exactly four decimal parts ("198.18.7.1"); nothing otherwise.
std::optional<Ipv4> ParseDottedAddress(std::string_view text);

}  // namespace halvera
