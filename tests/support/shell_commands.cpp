#include "support/shell_commands.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>

namespace halvera::test {
namespace {

const std::set<std::string> BUILTINS = {
    ":",      ".",     "[",       "alias",  "bg",     "break", "cd",   "continue",
    "echo",   "eval",  "exit",    "export", "false",  "fc",    "fg",   "getopts",
    "hash",   "jobs",  "kill",    "local",  "printf", "pwd",   "read", "readonly",
    "return", "set",   "shift",   "test",   "times",  "trap",  "true", "type",
    "ulimit", "umask", "unalias", "unset",  "wait"};
// Words that may stand before a command without being one.
const std::set<std::string> LEADING_KEYWORDS = {"if",    "then",  "else", "elif", "do",
                                                "while", "until", "!",    "{",    "}",
                                                "fi",    "done",  "esac", "time"};
// Words after which the next word that is no option or assignment is the command.
const std::set<std::string> WRAPPERS = {"exec", "env", "sudo", "$SUDO", "nohup", "xargs"};

bool IsAssignment(const std::string& word) {
    const std::size_t equals = word.find('=');
    if (equals == 0 || equals == std::string::npos ||
        std::isdigit(static_cast<unsigned char>(word.front()))) {
        return false;
    }
    return std::all_of(
        word.begin(), word.begin() + static_cast<std::ptrdiff_t>(equals),
        [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

// Function names of the script, which are called like programs.
std::set<std::string> Functions(const std::string& script) {
    static const std::regex definition(R"((?:^|\n)[ \t]*([A-Za-z_][A-Za-z0-9_-]*)[ \t]*\(\))");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(script.begin(), script.end(), definition);
         it != std::sregex_iterator(); ++it) {
        names.insert((*it)[1]);
    }
    return names;
}

struct Word {
    std::string text;       // without quotes
    bool variable = false;  // holds an expansion: its value is not known here
};

class Lexer {
  public:
    Lexer(const std::string& script, std::set<std::string> functions)
        : m_s(script), m_functions(std::move(functions)) {}

    std::vector<std::string> Run() {
        Commands('\0');
        return m_found;
    }

  private:
    enum class Case { HEADER, PATTERN, BODY };

    bool End() const { return m_i >= m_s.size(); }
    char At(std::size_t ahead = 0) const {
        return m_i + ahead < m_s.size() ? m_s[m_i + ahead] : '\0';
    }

    // Lexes commands until `end` (')' for $(...), '`' for `...`, '\0' for the whole text).
    void Commands(char end) {
        std::vector<Word> words;
        std::vector<Case> cases;
        const auto finish = [&] {
            if (!cases.empty() && cases.back() == Case::HEADER) {
                return;
            }
            if (!words.empty() && words.front().text == "esac" && !cases.empty()) {
                cases.pop_back();
            }
            Analyse(words);
            words.clear();
        };
        while (!End()) {
            const char c = At();
            if (c == ' ' || c == '\t') {
                ++m_i;
            } else if (c == end && end != '\0') {
                ++m_i;
                break;
            } else if (c == '\\' && At(1) == '\n') {
                m_i += 2;
            } else if (c == '\n') {
                finish();
                ++m_i;
                SkipHereDocuments();
            } else if (c == '#') {
                while (!End() && At() != '\n') {
                    ++m_i;
                }
            } else if (!cases.empty() && cases.back() == Case::PATTERN && words.empty() &&
                       c != ';') {
                Word word = ReadWord(end);
                if (word.text == "esac") {
                    cases.pop_back();
                } else {
                    SkipPattern();
                    cases.back() = Case::BODY;
                }
            } else if (c == ';' || c == '&' || c == '|' || c == '(' || c == ')') {
                if (c == ';' && At(1) == ';' && !cases.empty()) {
                    cases.back() = Case::PATTERN;
                    ++m_i;
                }
                finish();
                ++m_i;
            } else if (c == '<' && At(1) == '<') {
                ReadHereDocumentStart(end);
            } else if (c == '<' || c == '>' ||
                       (std::isdigit(static_cast<unsigned char>(c)) &&
                        (At(1) == '<' || At(1) == '>'))) {
                SkipRedirection(end);
            } else {
                Word word = ReadWord(end);
                const bool leading = std::all_of(words.begin(), words.end(), [](const Word& w) {
                    return LEADING_KEYWORDS.count(w.text) > 0;
                });
                if (!cases.empty() && cases.back() == Case::HEADER) {
                    if (word.text == "in" && !word.variable) {
                        cases.back() = Case::PATTERN;
                    }
                } else if (leading && word.text == "case" && !word.variable) {
                    words.clear();
                    cases.push_back(Case::HEADER);
                } else {
                    words.push_back(std::move(word));
                }
            }
        }
        finish();
    }

    // Records the program a simple command starts.
    void Analyse(const std::vector<Word>& words) {
        std::size_t k = 0;
        bool wrapped = false;
        while (k < words.size()) {
            const Word& word = words[k];
            if (word.variable && word.text != "$SUDO") {
                return;
            }
            if (IsAssignment(word.text) || LEADING_KEYWORDS.count(word.text) > 0 ||
                (wrapped && word.text.starts_with("-"))) {
                ++k;
                continue;
            }
            if (word.text == "for") {
                return;
            }
            if (WRAPPERS.count(word.text) > 0) {
                wrapped = true;
                ++k;
                continue;
            }
            if (word.text == "command") {
                if (k + 2 < words.size() && words[k + 1].text == "-v") {
                    Record(words[k + 2]);
                    return;
                }
                ++k;
                continue;
            }
            Record(word);
            if (word.text == "ip" && k + 4 < words.size() && words[k + 1].text == "netns" &&
                words[k + 2].text == "exec") {
                k += 4;
                wrapped = false;
                continue;
            }
            return;
        }
    }

    void Record(const Word& word) {
        const std::string& name = word.text;
        if (word.variable || name.empty() || BUILTINS.count(name) > 0 ||
            m_functions.count(name) > 0 || LEADING_KEYWORDS.count(name) > 0) {
            return;
        }
        // A relative path is one of the project's own files.
        if (name.find('/') != std::string::npos && name.front() != '/') {
            return;
        }
        if (name.find_first_of("*?") != std::string::npos) {
            return;
        }
        m_found.push_back(name);
    }

    bool WordEnds(char c, char end) const {
        return c == ' ' || c == '\t' || c == '\n' || c == ';' || c == '&' || c == '|' || c == '(' ||
               c == ')' || c == '<' || c == '>' || (end != '\0' && c == end);
    }

    Word ReadWord(char end) {
        Word word;
        while (!End() && !WordEnds(At(), end)) {
            const char c = At();
            if (c == '\\') {
                if (m_i + 1 < m_s.size()) {
                    word.text += m_s[m_i + 1];
                }
                m_i += 2;
            } else if (c == '\'') {
                const std::size_t close = m_s.find('\'', m_i + 1);
                const std::size_t stop = close == std::string::npos ? m_s.size() : close;
                word.text += m_s.substr(m_i + 1, stop - m_i - 1);
                m_i = stop + 1;
            } else if (c == '"') {
                ++m_i;
                ReadDoubleQuoted(word);
            } else if (c == '$' || c == '`') {
                AddExpansion(word);
            } else {
                word.text += c;
                ++m_i;
            }
        }
        return word;
    }

    void ReadDoubleQuoted(Word& word) {
        while (!End() && At() != '"') {
            const char c = At();
            if (c == '\\' && m_i + 1 < m_s.size()) {
                word.text += m_s[m_i + 1];
                m_i += 2;
            } else if (c == '$' || c == '`') {
                AddExpansion(word);
            } else {
                word.text += c;
                ++m_i;
            }
        }
        ++m_i;
    }

    void AddExpansion(Word& word) {
        const std::size_t start = m_i;
        Expansion();
        word.text += m_s.substr(start, m_i - start);
        word.variable = true;
    }

    // At a '$' or '`': steps over the expansion, lexing the commands it runs.
    void Expansion() {
        if (At() == '`') {
            ++m_i;
            Commands('`');
        } else if (At(1) == '(' && At(2) == '(') {
            SkipBalanced(m_i + 3, '(', ')');
            m_i = std::min(m_s.size(), m_i + 1);  // the second ')'
        } else if (At(1) == '(') {
            m_i += 2;
            Commands(')');
        } else if (At(1) == '{') {
            ParameterExpansion();
        } else {
            ++m_i;
            while (!End() && (std::isalnum(static_cast<unsigned char>(At())) || At() == '_')) {
                ++m_i;
            }
            if (!End() && std::string("@*#?$!-0123456789").find(At()) != std::string::npos &&
                m_s[m_i - 1] == '$') {
                ++m_i;
            }
        }
    }

    // ${NAME...}: its word may run commands, ${x:-$(default)}.
    void ParameterExpansion() {
        m_i += 2;
        while (!End() && At() != '}') {
            if (At() == '$' || At() == '`') {
                Expansion();
            } else {
                m_i += At() == '\\' ? 2 : 1;
            }
        }
        ++m_i;
    }

    void SkipBalanced(std::size_t from, char open, char close) {
        int depth = 1;
        m_i = from;
        while (!End() && depth > 0) {
            depth += At() == open ? 1 : At() == close ? -1 : 0;
            ++m_i;
        }
    }

    // A case pattern up to its ')'.
    void SkipPattern() {
        while (!End() && At() != ')') {
            ++m_i;
        }
        ++m_i;
    }

    void SkipRedirection(char end) {
        while (!End() && (std::isdigit(static_cast<unsigned char>(At())) || At() == '<' ||
                          At() == '>' || At() == '&' || At() == '|')) {
            ++m_i;
        }
        while (!End() && (At() == ' ' || At() == '\t')) {
            ++m_i;
        }
        ReadWord(end);
    }

    void ReadHereDocumentStart(char end) {
        m_i += 2;
        if (At() == '-') {
            ++m_i;
        }
        while (!End() && (At() == ' ' || At() == '\t')) {
            ++m_i;
        }
        m_hereDocuments.push_back(ReadWord(end).text);
    }

    // After the line that opened them: the bodies of its here-documents, up to their ends.
    void SkipHereDocuments() {
        for (const std::string& delimiter : m_hereDocuments) {
            while (!End()) {
                const std::size_t lineEnd = std::min(m_s.find('\n', m_i), m_s.size());
                std::string line = m_s.substr(m_i, lineEnd - m_i);
                line.erase(0, line.find_first_not_of('\t'));
                m_i = std::min(lineEnd + 1, m_s.size());
                if (line == delimiter) {
                    break;
                }
            }
        }
        m_hereDocuments.clear();
    }

    const std::string& m_s;
    const std::set<std::string> m_functions;
    std::size_t m_i = 0;
    std::vector<std::string> m_hereDocuments;
    std::vector<std::string> m_found;
};

}  // namespace

std::vector<std::string> ShellCommands(const std::string& script) {
    return Lexer(script, Functions(script)).Run();
}

}  // namespace halvera::test
