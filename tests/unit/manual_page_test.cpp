#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/cli_process.h"

// The manual pages as man shows them: groff renders them without a warning, and the page of
// halvera-cli holds every command form and option its --help names.
namespace halvera {
namespace {

struct Rendered {
    std::string text;
    std::string warnings;
};

std::string ReadAll(std::FILE* file) {
    std::string bytes;
    std::rewind(file);
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        bytes += static_cast<char>(c);
    }
    std::fclose(file);
    return bytes;
}

// groff as man-db runs it for a terminal (preconv for the UTF-8 source), every warning on,
// plain text, no hyphenation and lines long enough that a command form stays on one line.
Rendered Render(const std::string& page) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(out), STDOUT_FILENO);
        dup2(fileno(err), STDERR_FILENO);
        const std::string path = std::string(HALVERA_PACKAGING) + "/" + page;
        execlp("groff", "groff", "-k", "-man", "-Tutf8", "-ww", "-rHY=0", "-rLL=500n", "-P-cbou",
               path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "groff " << page;
    return {ReadAll(out), ReadAll(err)};
}

std::string CollapseBlanks(const std::string& text) {
    std::string collapsed;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            if (!collapsed.empty() && collapsed.back() != ' ') {
                collapsed += ' ';
            }
        } else {
            collapsed += c;
        }
    }
    return collapsed;
}

// Whether the words stand in the text on their own, not as part of a longer name
// ("refresh" in "refresh-node").
bool HoldsWords(const std::string& text, const std::string& words) {
    const auto isNamePart = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-';
    };
    for (std::size_t at = text.find(words); at != std::string::npos;
         at = text.find(words, at + 1)) {
        const std::size_t end = at + words.size();
        if ((at == 0 || !isNamePart(text[at - 1])) &&
            (end == text.size() || !isNamePart(text[end]))) {
            return true;
        }
    }
    return false;
}

std::string WithoutBrackets(std::string text) {
    std::erase(text, '[');
    std::erase(text, ']');
    return text;
}

// The command forms of --help with their arguments ("ranges add START END", "export columns
// MASK") and its options ("--home DIR"), each the first of its alternatives, brackets left
// out as the page may set them apart.
std::vector<std::string> HelpForms(const std::string& help) {
    std::vector<std::string> forms;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("  ") || line.size() < 3 || line[2] == ' ') {
            continue;
        }
        // The entry ends where its description starts, after a run of blanks.
        std::string entry = line.substr(2, line.find("  ", 2) - 2);
        entry = entry.substr(0, entry.find(" | "));
        forms.push_back(WithoutBrackets(entry));
    }
    return forms;
}

TEST(ManualPage, BothPagesRenderWithoutAWarning) {
    for (const char* page : {"halvera.1", "halvera-cli.1"}) {
        const Rendered rendered = Render(page);
        EXPECT_EQ(rendered.warnings, "") << page;
        EXPECT_NE(rendered.text.find("SEE ALSO"), std::string::npos) << page;
    }
}

TEST(ManualPage, TheCliPageNamesEveryCommandFormAndOptionOfTheHelp) {
    const std::string help = test::ProgramOutput({test::CliPath().string(), "--help"});
    const std::vector<std::string> forms = HelpForms(help);
    // The help's commands and options, "export columns MASK" and "--quiet" among them.
    ASSERT_GE(forms.size(), 30u) << help;
    const std::string page = WithoutBrackets(CollapseBlanks(Render("halvera-cli.1").text));
    for (const std::string& form : forms) {
        EXPECT_TRUE(HoldsWords(page, form)) << form;
    }
}

TEST(ManualPage, BothPagesNameTheEnvironmentAndTheFirstSteps) {
    const std::vector<std::string> variables = {"HALVERA_CAPTURE", "HALVERA_CAPTURE_SOCKET",
                                                "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                                "SSL_CERT_FILE"};
    const std::string program = Render("halvera.1").text;
    const std::string cli = Render("halvera-cli.1").text;
    for (const std::string& text : {program, cli}) {
        const std::size_t environment = text.find("\nENVIRONMENT\n");
        ASSERT_NE(environment, std::string::npos);
        for (const std::string& variable : variables) {
            EXPECT_TRUE(HoldsWords(text.substr(environment), variable)) << variable;
        }
    }
    EXPECT_NE(program.find("\nFIRST STEPS\n"), std::string::npos);
    for (const char* step : {"usermod -aG halvera", "検索設定", "追加", "イベント設定", "Ctrl+A"}) {
        EXPECT_NE(CollapseBlanks(program).find(step), std::string::npos) << step;
    }
}

}  // namespace
}  // namespace halvera
