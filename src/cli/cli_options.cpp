#include "cli/cli_options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace halvera {

const std::vector<std::string_view> MAIL_FIELD_NAMES = {
    "smtpserver", "adrfrom", "adrto1",   "adrto2",   "adrto3",   "pop",      "popserver", "userid",
    "passward",   "subject", "smtpport", "security", "smtpauth", "authuser", "authpass"};

const std::vector<std::string_view> MAIL_NUMBER_NAMES = {"pop", "smtpport", "security", "smtpauth"};

namespace {

constexpr std::string_view USAGE_HEAD =
    "usage: halvera-cli [--home DIR] [--quiet] COMMAND\n"
    "\n"
    "commands:\n";

constexpr std::string_view USAGE_TAIL =
    "\n"
    "options:\n"
    "  --home DIR  the data folder (default: $STATE_DIRECTORY, else the folder of halvera-cli\n"
    "              when it is writable and not installed, else $XDG_DATA_HOME/halvera)\n"
    "  --quiet     search, refresh, refresh-node and monitor print their events only\n"
    "  --json      print a list as one JSON document: typed fields, times in ISO 8601 with\n"
    "              the zone, MAC addresses as aa:bb:cc:dd:ee:ff, switches as booleans\n"
    "  --help      print this text\n"
    "  --version   print the version and the build's commit\n"
    "\n"
    "Lists are printed as UTF-8 tab-separated text with a header line; a tab, line end or\n"
    "backslash inside a cell is written as \\t, \\n, \\r or \\\\.\n"
    "Exit status: 0 success, 1 failure, 2 bad usage or a refused value. Another Halvera\n"
    "process using the same data folder makes every command fail.\n";
;

// The help of the schema's keys that a command sets ("TIMEOUT (1-60000 msec), ..."), in
// lines under the commands' descriptions.
std::string SchemaKeysUsage(SettingCli cli) {
    constexpr std::size_t INDENT = 29;
    constexpr std::size_t WIDTH = 89;
    std::vector<std::string> words;
    for (const SettingKey& key : AppSettingKeys()) {
        if (key.rules.cli == cli && key.rules.cliHelp != nullptr) {
            words.push_back(std::string(key.key));
            std::string help = "(" + std::string(key.rules.cliHelp) + "),";
            for (std::size_t at = 0, end = 0; at < help.size(); at = end + 1) {
                end = std::min(help.find(' ', at), help.size());
                words.push_back(help.substr(at, end - at));
            }
        }
    }
    if (words.empty()) {
        return {};
    }
    words.back().pop_back();  // the last comma
    std::string text;
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty() && INDENT + line.size() + 1 + word.size() > WIDTH) {
            text += std::string(INDENT, ' ') + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return text + std::string(INDENT, ' ') + line + "\n";
}

CliOptions Bad(std::string error) {
    CliOptions options;
    options.error = std::move(error);
    return options;
}

}  // namespace

const std::string& CliUsage() {
    static const std::string usage = [] {
        std::string text(USAGE_HEAD);
        for (const CliVerb& verb : CliVerbs()) {
            text += verb.usage;
            text += SchemaKeysUsage(verb.schemaKeys);
        }
        return text + std::string(USAGE_TAIL);
    }();
    return usage;
}

CliOptions ParseCliOptions(const std::vector<std::string_view>& arguments) {
    CliOptions options;
    std::size_t i = 0;
    for (; i < arguments.size() && arguments[i].starts_with("--"); ++i) {
        const std::string_view option = arguments[i];
        if (option == "--help") {
            options.help = true;
            return options;
        }
        if (option == "--version") {
            options.version = true;
            return options;
        }
        if (option == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (option == "--json") {
            options.json = true;
            continue;
        }
        if (option == "--home" || option.starts_with("--home=")) {
            std::string_view folder;
            if (option == "--home") {
                if (++i == arguments.size()) {
                    return Bad("--home needs a folder");
                }
                folder = arguments[i];
            } else {
                folder = option.substr(7);
            }
            if (folder.empty()) {
                return Bad("--home needs a folder");
            }
            options.home = std::filesystem::path(folder);
            continue;
        }
        return Bad("unknown option " + std::string(option));
    }
    if (i == arguments.size()) {
        return Bad("no command given");
    }
    const std::string_view name = arguments[i];
    const CliArguments rest(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                            arguments.end());
    const auto verb = std::find_if(CliVerbs().begin(), CliVerbs().end(),
                                   [name](const CliVerb& known) { return known.name == name; });
    if (verb == CliVerbs().end()) {
        return Bad("unknown command " + std::string(name));
    }
    verb->parse(name, rest, options);
    if (!options.error.empty()) {
        options.run = nullptr;
        return options;
    }
    if (options.run == nullptr) {
        options.run = verb->run;
    }
    if (options.json && !PrintsListing(options)) {
        return Bad("--json goes with a command that prints a list, not with " + std::string(name));
    }
    return options;
}
std::optional<Ipv4> ParseDottedAddress(std::string_view text) {
    const std::string copy(text);
    in_addr address{};
    if (inet_pton(AF_INET, copy.c_str(), &address) != 1) {
        return std::nullopt;
    }
    return address.s_addr;
}

}  // namespace halvera
