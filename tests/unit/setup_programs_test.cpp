// Every program that the tests, the benchmarks and the scripts start comes from a package that
// scripts/setup.sh installs, so that a fresh machine runs them all, not only the machines
// where someone once installed a package by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/external_programs.h"
#include "support/file_bytes.h"
#include "support/shell_commands.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;

const fs::path SOURCE = HALVERA_SOURCE_DIR;

// The scripts that building and running need take their programs from RUN_PACKAGES alone.
const std::set<std::string> RUN_SCRIPTS = {"scripts/build.sh", "scripts/run.sh", "scripts/setup.sh",
                                           "scripts/grant-capabilities.sh"};
// The package's maintainer scripts run on the machine that installs the package, whose
// programs the package's dependencies bring.
const std::set<std::string> NOT_HERE = {"packaging/postinst", "packaging/postrm"};
// Programs a script starts only where they exist, each with the reason.
const std::map<std::string, std::string> GUARDED = {
    {"sudo", "setup.sh's way to root for a user who is not root; root needs none"},
    {"systemctl", "only where systemd runs (/run/systemd/system)"},
    {"service", "only where no systemd runs and the command exists"},
};

using Lists = std::map<std::string, std::set<std::string>>;  // list name -> packages

Lists SetupLists() {
    const std::string setup = test::ReadBytes(SOURCE / "scripts/setup.sh");
    static const std::regex list(R"re(([A-Z_]+_PACKAGES)="([^"]*)")re");
    Lists lists;
    for (auto it = std::sregex_iterator(setup.begin(), setup.end(), list);
         it != std::sregex_iterator(); ++it) {
        std::istringstream words((*it)[2].str());
        for (std::string package; words >> package;) {
            lists[(*it)[1]].insert(package);
        }
    }
    return lists;
}

// The names under which dpkg may know `file`: itself, its target and the other half of the
// merged /usr, in that order.
std::vector<std::string> Aliases(const std::string& file) {
    std::vector<std::string> names{file};
    std::error_code error;
    const fs::path target = fs::canonical(file, error);
    if (!error && target != file) {
        names.push_back(target.string());
    }
    for (std::size_t i = 0, n = names.size(); i < n; ++i) {
        names.push_back(names[i].starts_with("/usr/") ? names[i].substr(4) : "/usr" + names[i]);
    }
    return names;
}

// The installed packages that hold each of `files`, asked in one go (dpkg reads its file
// lists once a call).
std::map<std::string, std::set<std::string>> Owners(const std::set<std::string>& files) {
    std::vector<std::string> argv{"dpkg-query", "-S"};
    argv.insert(argv.end(), files.begin(), files.end());
    std::map<std::string, std::set<std::string>> owners;
    std::istringstream lines(test::ProgramOutput(argv));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(": ");
        if (line.starts_with("diversion ") || colon == std::string::npos) {
            continue;
        }
        std::istringstream packages(line.substr(0, colon));
        for (std::string package; std::getline(packages >> std::ws, package, ',');) {
            owners[line.substr(colon + 2)].insert(package.substr(0, package.find(':')));
        }
    }
    return owners;
}

// Essential and required packages are on every Debian system, the smallest debootstrap too.
bool OnEverySystem(const std::string& package) {
    const std::string fields =
        test::ProgramOutput({"dpkg-query", "-W", "-f=${Essential} ${Priority}", package});
    return fields.starts_with("yes ") || fields.ends_with(" required");
}

// A listed package and the packages it depends on directly, which come with it: a program
// may live in the package behind a listed one (imagemagick's import, dovecot-pop3d's
// dovecot).
std::set<std::string> WithDependencies(const std::set<std::string>& packages) {
    static const std::regex name(R"((?:^|[,|])\s*([a-z0-9][a-z0-9+.-]*))");
    std::set<std::string> all = packages;
    for (const std::string& package : packages) {
        const std::string depends =
            test::ProgramOutput({"dpkg-query", "-W", "-f=${Pre-Depends},${Depends}", package});
        for (auto it = std::sregex_iterator(depends.begin(), depends.end(), name);
             it != std::sregex_iterator(); ++it) {
            all.insert((*it)[1]);
        }
    }
    return all;
}

struct Start {
    std::string program;
    std::string where;  // the file that starts it
    std::string list;   // the setup list its package belongs in
};

std::vector<Start> Starts() {
    std::vector<Start> starts;
    for (std::string_view program : test::ExternalPrograms()) {
        starts.push_back(
            {std::string(program), "tests/support/external_programs.cpp", "TEST_PACKAGES"});
    }
    for (const auto& entry : fs::recursive_directory_iterator(SOURCE)) {
        const std::string relative = fs::relative(entry.path(), SOURCE).string();
        if (!entry.is_regular_file() || relative.starts_with(".git/") ||
            relative.starts_with("build") || relative.starts_with("fuzz/corpus/") ||
            NOT_HERE.count(relative) > 0) {
            continue;
        }
        const std::string text = test::ReadBytes(entry.path());
        if (!text.starts_with("#!/bin/sh") && !text.starts_with("#!/bin/bash")) {
            continue;
        }
        const std::string list = RUN_SCRIPTS.count(relative) > 0 ? "RUN_PACKAGES" : "TEST_PACKAGES";
        for (const std::string& program : test::ShellCommands(text)) {
            starts.push_back({program, relative, list});
        }
    }
    return starts;
}

TEST(SetupPrograms, EveryProgramStartedComesFromAPackageOfTheSetupLists) {
    const Lists lists = SetupLists();
    ASSERT_TRUE(lists.count("RUN_PACKAGES") > 0 && lists.count("TEST_PACKAGES") > 0)
        << "scripts/setup.sh has no RUN_PACKAGES or TEST_PACKAGES";
    const std::set<std::string> run = WithDependencies(lists.at("RUN_PACKAGES"));
    const std::set<std::string> tests = WithDependencies(lists.at("TEST_PACKAGES"));
    const auto listed = [&](const std::string& package, const std::string& list) {
        return run.count(package) > 0 || (list == "TEST_PACKAGES" && tests.count(package) > 0);
    };
    std::vector<Start> starts;
    std::map<std::string, std::string> files;  // program -> the file it resolves to
    std::set<std::string> aliases;
    std::set<std::string> seen;
    for (const Start& start : Starts()) {
        if (GUARDED.count(start.program) == 0 &&
            seen.insert(start.program + " " + start.list).second) {
            starts.push_back(start);
            files[start.program] = test::ResolveProgram(start.program);
            for (const std::string& alias : Aliases(files[start.program])) {
                aliases.insert(alias);
            }
        }
    }
    const auto owners = Owners(aliases);
    for (const Start& start : starts) {
        const std::string& file = files[start.program];
        if (file.empty()) {
            ADD_FAILURE() << start.program << " (started by " << start.where
                          << ") is not installed: add its Debian package to " << start.list
                          << " in scripts/setup.sh";
            continue;
        }
        std::set<std::string> packages;
        for (const std::string& alias : Aliases(file)) {
            if (packages.empty() && owners.count(alias) > 0) {
                packages = owners.at(alias);
            }
        }
        if (packages.empty()) {
            ADD_FAILURE() << start.program << " (started by " << start.where << ") is " << file
                          << ", which no Debian package holds: install it from a package named "
                          << "in " << start.list << " of scripts/setup.sh";
            continue;
        }
        const bool found = std::any_of(packages.begin(), packages.end(), [&](const auto& p) {
            return listed(p, start.list) || OnEverySystem(p);
        });
        EXPECT_TRUE(found) << start.program << " (started by " << start.where << ") comes from "
                           << *packages.begin() << ", which scripts/setup.sh does not install: "
                           << "add " << *packages.begin() << " to " << start.list;
    }
}

// A program that a test execs itself starts without the table's check.
TEST(SetupPrograms, ProgramsExecutedDirectlyAreInTheTable) {
    static const std::regex path(R"re(exec[lv]p?e?\(\s*"([^"]+)")re");
    const auto& table = test::ExternalPrograms();
    for (const char* folder : {"tests", "bench"}) {
        for (const auto& entry : fs::recursive_directory_iterator(SOURCE / folder)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h") {
                continue;
            }
            const std::string text = test::ReadBytes(entry.path());
            for (auto it = std::sregex_iterator(text.begin(), text.end(), path);
                 it != std::sregex_iterator(); ++it) {
                EXPECT_NE(std::find(table.begin(), table.end(), (*it)[1].str()), table.end())
                    << entry.path() << " starts " << (*it)[0]
                    << ": name it in tests/support/external_programs.cpp";
            }
        }
    }
}

TEST(ShellCommands, FindsTheProgramsAScriptStartsAndNothingElse) {
    struct Case {
        const char* name;
        const char* script;
        std::vector<std::string> programs;
    };
    const Case cases[] = {
        {"lists and pipelines", "a -x | b && c || d; e &\n", {"a", "b", "c", "d", "e"}},
        {"substitutions", "x=$(f \"$(g)\") y=`h`\necho \"$(i -v)\"\n", {"f", "g", "h", "i"}},
        {"arithmetic and parameters", "n=$((1 + 2)) m=${x:-$(j)}\n", {"j"}},
        {"wrappers",
         "exec k; $SUDO l; env -i A=1 m; command -v n >/dev/null\n",
         {"k", "l", "m", "n"}},
        {"namespaces", "ip netns exec \"$ns\" nft -f -\n", {"ip", "nft"}},
        {"keywords",
         "if ! o; then p; elif q; then :; else r; fi\nwhile s; do t; done\n",
         {"o", "p", "q", "r", "s", "t"}},
        {"for lists start nothing", "for x in a b $(u); do v \"$x\"; done\n", {"u", "v"}},
        {"case patterns start nothing",
         "case \"$1\" in\nup | down) w ;;\n*\" z \"*) x; y ;;\nesac\nz2\n",
         {"w", "x", "y", "z2"}},
        {"quotes, comments and here-documents",
         "# a comment\nV=\"multi\nline text\" W='a; b'\nnft -f - <<EOF\ntable inet x\nEOF\n"
         "cat >f <<-'END'\n\tnot a command\n\tEND\nlast\n",
         {"nft", "cat", "last"}},
        {"functions, builtins, variables, own files",
         "die() { echo \"$*\" >&2; exit 1; }\ndie x; cd /; \"$BUILD\"/halvera; ./scripts/lab up;"
         " scripts/x; /usr/bin/env a\n",
         {"/usr/bin/env"}},
        {"redirections and continuations",
         "2>/dev/null first a \\\n  b\n>out second\n",
         {"first", "second"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> found = test::ShellCommands(c.script);
        std::vector<std::string> expected = c.programs;
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected) << c.name;
    }
}

}  // namespace
}  // namespace halvera
