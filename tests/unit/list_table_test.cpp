#include "lists/list_table.h"

#include <gtest/gtest.h>

#include <thread>

namespace halvera {
namespace {

ListRow Row(std::vector<std::string> cells) {
    return ListRow{std::move(cells), false, -1};
}

// Applies published changes to a copy, as a view's model does.
class Mirror {
  public:
    explicit Mirror(ListTable& table) : m_table(table) {
        m_rows = table.SnapshotAndSubscribe([this](const ListChange& c) { Apply(c); }, m_id);
    }
    ~Mirror() { m_table.Unsubscribe(m_id); }
    const std::vector<ListRow>& Rows() const { return m_rows; }

  private:
    void Apply(const ListChange& c) {
        switch (c.kind) {
            case ListChange::Inserted:
                m_rows.insert(m_rows.begin() + c.row, c.data);
                break;
            case ListChange::Removed:
                m_rows.erase(m_rows.begin() + c.row);
                break;
            case ListChange::RowChanged:
                m_rows[c.row] = c.data;
                break;
            case ListChange::CellChanged:
                m_rows[c.row].cells[c.column] = c.text;
                break;
            case ListChange::Reset:
                m_rows = c.rows;
                break;
            case ListChange::ScrollTo:
                break;
        }
    }
    ListTable& m_table;
    std::vector<ListRow> m_rows;
    int m_id = 0;
};

TEST(ListTable, MirrorFollowsEveryKindOfChange) {
    ListTable table(3);
    table.AppendRow(Row({"a"}));
    Mirror mirror(table);
    table.AppendRow(Row({"b", "2"}));
    table.InsertRow(0, Row({"c"}));
    table.SetCell(1, 2, "x");
    table.SetChecked(2, true);
    table.RemoveRows({0, 0, 7});
    table.Sort([](const ListRow& l, const ListRow& r) { return l.cells[0] > r.cells[0]; });
    EXPECT_EQ(mirror.Rows(), table.Snapshot());
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.Cell(0, 0), "b");
    EXPECT_TRUE(table.IsChecked(0));
    EXPECT_EQ(table.Cell(1, 2), "x");
}

TEST(ListTable, RowsAreFittedToTheColumnsAndBadIndexesAreRefused) {
    ListTable table(2);
    table.AppendRow(Row({"1", "2", "3"}));
    EXPECT_EQ(table.Snapshot()[0].cells, (std::vector<std::string>{"1", "2"}));
    EXPECT_FALSE(table.RemoveRow(1));
    EXPECT_FALSE(table.SetCell(0, 2, "x"));
    EXPECT_FALSE(table.SetCell(-1, 0, "x"));
    EXPECT_EQ(table.Cell(5, 0), "");
    EXPECT_EQ(table.FindRow(1, "2"), 0);
    EXPECT_EQ(table.FindRow(1, "9"), -1);
}

TEST(ListTable, WritersOnSeveralThreadsAndAMirrorAgree) {
    ListTable table(1);
    Mirror mirror(table);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&table, t] {
            for (int i = 0; i < 500; ++i) {
                table.AppendRow(Row({std::to_string(t)}));
                if (i % 3 == 0) {
                    table.RemoveRow(0);
                }
            }
        });
    }
    for (auto& w : writers) {
        w.join();
    }
    EXPECT_EQ(mirror.Rows(), table.Snapshot());
    EXPECT_EQ(table.RowCount(), 4 * (500 - 167));
}

}  // namespace
}  // namespace halvera
