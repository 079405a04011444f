#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/search_progress_reporter.h"
#include "cli/search_progress_text.h"

namespace halvera {
namespace {

using std::chrono::duration;

TEST(SearchProgressText, DoneOfTotalNodesRateAndTimeLeft) {
    struct Case {
        std::uint64_t done, total, found;
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {0, 254, 0, 0.5, "【ノード検索】 0/254 アドレス  ノード 0  -/秒  残り -"},
        {127, 254, 5, 2.54, "【ノード検索】 127/254 アドレス  ノード 5  50/秒  残り 0:03"},
        {254, 254, 9, 5.0, "【ノード検索】 254/254 アドレス  ノード 9  51/秒  残り 0:00"},
        {1000, 65536, 12, 10.0,
         "【ノード検索】 1000/65536 アドレス  ノード 12  100/秒  残り 10:46"},
        {1, 65536, 0, 1.0, "【ノード検索】 1/65536 アドレス  ノード 0  1/秒  残り 18:12:15"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SearchProgressText(c.done, c.total, c.found, duration<double>(c.seconds)),
                  c.text);
    }
}

// What the reporter writes, read back from a temporary file in place of standard output.
class ReporterOutput {
  public:
    ReporterOutput() : m_file(std::tmpfile()), m_console(m_file, m_file) {}
    ~ReporterOutput() { std::fclose(m_file); }
    Console& Out() { return m_console; }
    std::vector<std::string> Lines() {
        std::rewind(m_file);
        std::vector<std::string> lines;
        std::string line;
        for (int c = std::fgetc(m_file); c != EOF; c = std::fgetc(m_file)) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += static_cast<char>(c);
            }
        }
        return lines;
    }

  private:
    std::FILE* m_file;
    Console m_console;
};

TEST(SearchProgressReporter, APipeGetsOneLineAsEachTenthIsDoneAndQuietNone) {
    struct Case {
        const char* name;
        ProgressForm form;
        std::uint64_t total;
        std::vector<std::uint64_t> updates;  // done at each Update, then End
        std::vector<std::string> starts;     // the lines as they start
    };
    const Case cases[] = {
        {"every tenth once, however often it is asked",
         ProgressForm::Lines,
         20,
         {1, 2, 2, 3, 4, 20},
         {"【ノード検索】 2/20 アドレス", "【ノード検索】 4/20 アドレス",
          "【ノード検索】 20/20 アドレス"}},
        {"tenths jumped over make one line",
         ProgressForm::Lines,
         254,
         {200, 254},
         {"【ノード検索】 200/254 アドレス", "【ノード検索】 254/254 アドレス"}},
        {"an empty walk says nothing", ProgressForm::Lines, 0, {0}, {}},
        {"quiet", ProgressForm::None, 20, {2, 20}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReporterOutput output;
        RunProgress progress;
        SearchProgressReporter reporter(output.Out(), progress, c.form);
        reporter.ShowPreparing("preparing");
        reporter.Begin();
        progress.Start(c.total);
        for (const std::uint64_t done : c.updates) {
            progress.done = done;
            reporter.Update();
        }
        reporter.End();
        std::vector<std::string> lines = output.Lines();
        std::vector<std::string> expected = c.starts;
        if (c.form == ProgressForm::Lines) {
            expected.insert(expected.begin(), "preparing");
        }
        ASSERT_EQ(lines.size(), expected.size()) << testing::PrintToString(lines);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].starts_with(expected[i])) << lines[i];
        }
    }
}

}  // namespace
}  // namespace halvera
