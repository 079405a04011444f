#include "net/node_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "lists/list_tables.h"
#include "support/file_bytes.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

MacAddress Mac(int n) {
    return {0x02, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(n)};
}

class RecordingProgress : public Progress {
  public:
    void SetRange(int, int) override {}
    void SetPosition(int position) override { positions.push_back(position); }
    int Position() const override { return positions.empty() ? 0 : positions.back(); }
    std::vector<int> positions;
};

TEST(LoadNodeList, OneNodePerStoredRecordInStoreOrder) {
    test::TempProgramFolder folder;
    test::WriteBytes(ProgramFolder() / "maclist.ini", "[MAC]\r\n020000=LabVendor\r\n");
    test::RecordingPrompt prompt;
    test::RecordingErrorLog errorLog;
    NodeStore nodes(prompt, errorLog);
    ASSERT_EQ(nodes.InitNodeStore(), 0);
    struct Stored {
        int last;
        MacAddress mac;
        std::int8_t status;
        std::uint32_t monitor, testBits;
    };
    for (const Stored& s :
         {Stored{31, Mac(2), NODE_UP, 0, 7}, Stored{20, Mac(1), NODE_UP, 1, 0},
          Stored{40, {}, NODE_DOWN, 1, 1}, Stored{50, Mac(5), NODE_NEVER_SEEN, 1, 0}}) {
        NodeRecord record;
        record.ip = MakeIp(192, 168, 0, s.last);
        record.mac = s.mac;
        record.status = s.status;
        record.monitor = s.monitor;
        record.testBits = s.testBits;
        record.label = Sjis("ラベル") + std::to_string(s.last);
        record.host = "pc" + std::to_string(s.last);
        record.domain = "WG";
        record.detected = "2005/04/01 10:00:00";
        record.updated = "2005/04/02 11:00:00";
        ASSERT_EQ(nodes.PutNode(record), PUT_APPENDED);
    }
    NodeTable list;
    RecordingProgress progress;
    LoadNodeList(list, nodes, 7, &progress);

    const std::string dot = Sjis("●");
    auto expected = [&](int last, const std::string& mac, std::string b47, std::string b16,
                        std::string b8, std::string vendor, std::string st, bool checked,
                        NodeRowColour tone) {
        ListRow row;
        row.cells = {"",
                     Sjis("ラベル") + std::to_string(last),
                     b47,
                     b16,
                     b8,
                     "192.168.0." + std::to_string(last),
                     mac,
                     "pc" + std::to_string(last),
                     "WG",
                     vendor,
                     "2005/04/01 10:00:00",
                     "2005/04/02 11:00:00",
                     st};
        row.checked = checked;
        row.image = 0;
        row.tone = static_cast<int>(tone);
        return row;
    };
    EXPECT_EQ(
        list.Display().Snapshot(),
        (std::vector<ListRow>{expected(31, "02-00-00-00-00-02", dot, dot, dot, "LabVendor", "x",
                                       false, NodeRowColour::Unmonitored),
                              expected(20, "02-00-00-00-00-01", "", "", "", "LabVendor", ".", true,
                                       NodeRowColour::Up),
                              expected(40, "", dot, "", "", "", "", true, NodeRowColour::Stopped),
                              expected(50, "02-00-00-00-00-05", "", "", "", "LabVendor", "", true,
                                       NodeRowColour::Stopped)}));
    EXPECT_EQ(list.At(2)->detected.When(),
              std::chrono::local_days{std::chrono::year(2005) / 4 / 1} + std::chrono::hours(10));
    EXPECT_EQ(progress.positions, (std::vector<int>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace halvera
