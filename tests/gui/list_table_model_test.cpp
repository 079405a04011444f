#include "views/list_table_model.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

#include <string>
#include <thread>
#include <vector>

#include "base/text_codec.h"
#include "frame_fixture.h"
#include "lists/list_tables.h"
#include "lists/node_list_sort.h"
#include "views/node_list_model.h"
#include "views/qt_text.h"
#include "views/settings_info_model.h"

namespace halvera {
namespace {

// The model's rows, converted back to CP932, for comparison with the core table.
std::vector<ListRow> ModelRows(const ListTableModel& model) {
    std::vector<ListRow> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        ListRow row;
        for (int c = 0; c < model.columnCount(); ++c) {
            row.cells.push_back(ToCp932(model.data(model.index(r, c), Qt::DisplayRole).toString()));
        }
        row.checked = model.data(model.index(r, 0), Qt::CheckStateRole).toInt() == Qt::Checked;
        rows.push_back(row);
    }
    return rows;
}

// What ModelRows reads back of the rows: cells and check boxes.
std::vector<ListRow> AsShown(std::vector<ListRow> rows) {
    for (auto& row : rows) {
        row.image = -1;
        row.tone = 0;
    }
    return rows;
}

TEST(ListTableModel, MirrorsEveryChangeAWorkerThreadMakes) {
    NodeTable table;
    table.Append(test::NodeRow("192.168.0.1", ".", true));
    NodeListModel model(table);

    std::thread worker([&table] {
        for (int i = 2; i < 200; ++i) {
            const std::string ip = "192.168.0." + std::to_string(i);
            table.Append(test::NodeRow(ip, i % 3 == 0 ? "x" : ".", i % 2 == 0,
                                       Sjis("ノード") + std::to_string(i)));
            if (i % 7 == 0) {
                table.Remove(i / 7);
            }
            if (i % 5 == 0) {
                table.MarkSearching(InetAddr("192.168.0.1"), {});
                table.SetMonitored(1, i % 10 == 0);
            }
            if (i % 50 == 0) {
                table.ClearSearching();
            }
        }
        SortNodeList(table, SORT_BY_LABEL);
        table.Change(2, [](NodeEntry& node) { node.mark = NodeMark::Down; });
    });
    worker.join();

    const auto expected = AsShown(table.Display().Snapshot());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ModelRows(model) == expected; }, 5000));
}

TEST(ListTableModel, ShowsCp932CellsAsTextAndImagesByKind) {
    ListTable table(EVENT_LIST_COLUMNS);
    ListRow row;
    row.cells = {"", "2005/07/10 09:05:03", Sjis("受付ＰＣ①")};
    row.image = 3;
    table.AppendRow(row);
    ListTableModel model(table);
    QList<QPixmap> images;
    for (int i = 0; i < 6; ++i) {
        QPixmap image(96, 19);
        image.fill(QColor(i * 40, 0, 0));
        images.push_back(image);
    }
    model.SetImages(images);

    EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString(),
              QStringLiteral("受付ＰＣ①"));
    const auto image = model.data(model.index(0, 0), Qt::DecorationRole).value<QPixmap>();
    EXPECT_EQ(image.toImage().pixelColor(0, 0), QColor(120, 0, 0));
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::DecorationRole).isValid());
    // The event list has no check boxes.
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::CheckStateRole).isValid());
}

TEST(ListTableModel, TicksTheNodeWhenTheUserTicksABox) {
    NodeTable table;
    table.Append(test::NodeRow("192.168.0.1", ".", false));
    table.Append(test::NodeRow("192.168.0.2", ".", true));
    NodeListModel model(table);

    EXPECT_TRUE(model.flags(model.index(0, NODE_COL_MONITOR)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, NODE_COL_IP)) & Qt::ItemIsUserCheckable);
    EXPECT_TRUE(model.setData(model.index(0, NODE_COL_MONITOR), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model.setData(model.index(1, NODE_COL_MONITOR), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_TRUE(table.IsMonitored(InetAddr("192.168.0.1")));
    EXPECT_FALSE(table.IsMonitored(InetAddr("192.168.0.2")));
    model.ApplyPendingChanges();
    EXPECT_EQ(model.data(model.index(0, NODE_COL_MONITOR), Qt::CheckStateRole).toInt(),
              Qt::Checked);
}

TEST(ListTableModel, PassesScrollRequestsToTheView) {
    ListTable table(ERROR_LOG_COLUMNS);
    ListTableModel model(table);
    QSignalSpy scrolled(&model, &ListTableModel::ScrollRequested);
    table.AppendRow({});
    table.AppendRow({});
    table.ScrollTo(1);
    model.ApplyPendingChanges();
    ASSERT_EQ(scrolled.count(), 1);
    EXPECT_EQ(scrolled.takeFirst().at(0).toInt(), 1);
}

TEST(NodeListModel, ColoursEachRowByMonitoringAndState) {
    struct Case {
        const char* name;
        bool monitored;
        const char* mark;
        QColor expected;
    };
    ListColours colours;
    colours.text = QColor(1, 1, 1);
    const Case cases[] = {
        {"unticked up node is grey", false, ".", colours.unmonitored},
        {"unticked sniffing node is grey", false, "x", colours.unmonitored},
        {"ticked down node is red", true, "", colours.stopped},
        {"ticked up node has the normal colour", true, ".", colours.text},
        {"ticked sniffing node is blue", true, "x", colours.sniffing},
    };
    for (const auto& c : cases) {
        NodeTable table;
        table.Append(test::NodeRow("192.168.0.1", c.mark, c.monitored));
        NodeListModel model(table);
        model.SetColours(colours);
        for (int column : {NODE_COL_MONITOR, NODE_COL_IP, NODE_COL_ST}) {
            EXPECT_EQ(model.data(model.index(0, column), Qt::ForegroundRole).value<QColor>(),
                      c.expected)
                << c.name << ", column " << column;
        }
    }
}

TEST(NodeListModel, AlternatesTheBackgroundByRowAndFollowsAStateChange) {
    NodeTable table;
    for (int i = 0; i < 3; ++i) {
        table.Append(test::NodeRow("192.168.0." + std::to_string(i), ".", true));
    }
    NodeListModel model(table);
    ListColours colours;
    model.SetColours(colours);
    const QColor backgrounds[] = {colours.background, colours.oddBackground, colours.background};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(model.data(model.index(row, 1), Qt::BackgroundRole).value<QColor>(),
                  backgrounds[row])
            << row;
    }

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    table.Change(1, [](NodeEntry& node) { node.mark = NodeMark::Down; });
    model.ApplyPendingChanges();
    ASSERT_EQ(changed.count(), 1);
    // The whole row repaints, since its colour follows the mark.
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().column(), 0);
    EXPECT_EQ(changed.at(0).at(1).toModelIndex().column(), NODE_LIST_COLUMNS - 1);
    EXPECT_EQ(model.data(model.index(1, NODE_COL_LABEL), Qt::ForegroundRole).value<QColor>(),
              colours.stopped);
}

TEST(SettingsInfoModel, ShowsSettingsInTheTextColourAndValuesInTheSecondColour) {
    ListTable table(SETTINGS_INFO_COLUMNS);
    table.AppendRow({});
    SettingsInfoModel model(table);
    ListColours colours;
    colours.text = QColor(10, 20, 30);
    colours.unmonitored = QColor(40, 50, 60);
    model.SetColours(colours);
    const QColor expected[] = {colours.text, colours.unmonitored, colours.text,
                               colours.unmonitored};
    for (int column = 0; column < SETTINGS_INFO_COLUMNS; ++column) {
        EXPECT_EQ(model.data(model.index(0, column), Qt::ForegroundRole).value<QColor>(),
                  expected[column])
            << column;
    }
}

}  // namespace
}  // namespace halvera
