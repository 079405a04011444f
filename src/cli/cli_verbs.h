#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "store/settings_schema.h"

namespace halvera {

class CliSession;
struct CliOptions;

using CliArguments = std::vector<std::string_view>;
// What a command does in a session; its exit status.
using CliRun = int (CliSession::*)(const CliOptions&);

// One command of halvera-cli: the one place that names it, describes it for --help, reads its
// arguments and runs it.
struct CliVerb {
    std::string_view name;
    // Its entries of --help, each line ending in a line end.
    std::string_view usage;
    // Reads the arguments after the name into the options, or says in options.error why they
    // are bad usage. A command of several forms sets options.run to the form it read.
    void (*parse)(std::string_view name, const CliArguments& rest, CliOptions& options);
    // The run of a command of one form; nothing when parse chooses it.
    CliRun run;
    // The keys of the settings schema that it shows and sets, whose help follows its usage.
    SettingCli schemaKeys = SettingCli::None;
};

// Every command, in the order of --help.
std::span<const CliVerb> CliVerbs();

// Whether the command read prints a listing, which --json can print as JSON.
bool PrintsListing(const CliOptions& options);

}  // namespace halvera
