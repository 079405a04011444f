#include "views/left_view.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QFile>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTest>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "frame_fixture.h"
#include "lists/list_tables.h"

namespace halvera {
namespace {

// Puts the program's banner picture into the test's program folder.
void InstallBannerPicture() {
    QFile picture(QStringLiteral(HALVERA_SOURCE_DIR "/res/back.jpg"));
    ASSERT_TRUE(picture.copy(QString::fromStdString((ProgramFolder() / "back.jpg").string())));
}

TEST(CLeftView, SaysOnceWhenTheBannerPictureCannotBeReadAndRunsWithoutIt) {
    struct Case {
        const char* name;
        const char* file;  // written as back.jpg, nullptr for none
        bool picture;
    };
    const Case cases[] = {
        {"missing", nullptr, false},
        {"not a picture", "not a jpeg", false},
        {"the program's picture", "", true},
    };
    for (const auto& c : cases) {
        test::FrameFixture f;
        if (c.file != nullptr && *c.file == '\0') {
            InstallBannerPicture();
        } else if (c.file != nullptr) {
            std::FILE* out = std::fopen((ProgramFolder() / "back.jpg").c_str(), "wb");
            std::fputs(c.file, out);
            std::fclose(out);
        }
        CLeftView view(f.tables.eventList, f.banner, f.prompt);
        EXPECT_EQ(view.Banner()->HasPicture(), c.picture) << c.name;
        const auto boxes = f.prompt.Boxes();
        if (c.picture) {
            EXPECT_TRUE(boxes.empty()) << c.name;
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.name;
            EXPECT_EQ(boxes[0].text, Sjis("back image read error。")) << c.name;
            EXPECT_EQ(boxes[0].icon, PromptIcon::Stop) << c.name;
        }
    }
}

class PaintCounter : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int count = 0;
};

TEST(CLeftView, TheBannerRepaintsTextSetByAWorker) {
    test::FrameFixture f;
    InstallBannerPicture();
    CLeftView view(f.tables.eventList, f.banner, f.prompt);
    view.resize(600, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    f.banner.SetSummaryText("");
    QTest::qWait(20);
    const QImage blank = view.Banner()->grab().toImage();

    PaintCounter paints;
    view.Banner()->installEventFilter(&paints);
    std::thread worker([&f] { f.banner.SetSummaryText(Sjis("【ノード検索】 検索準備中 . . .")); });
    worker.join();
    // Nothing but the banner's own listener asks for this repaint.
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count > 0; }, 5000));
    EXPECT_NE(view.Banner()->grab().toImage(), blank);
    EXPECT_EQ(view.Banner()->height(), SummaryBannerWidget::HEIGHT);
}

TEST(CLeftView, ThePopupMenuDeletesEventRowsFromTheListOnly) {
    test::FrameFixture f;
    for (int i = 0; i < 4; ++i) {
        ListRow row;
        row.cells = {"", "", "", "192.168.0." + std::to_string(i)};
        f.tables.eventList.AppendRow(row);
    }
    CLeftView view(f.tables.eventList, f.banner, f.prompt);
    ListControl* list = view.EventList();
    list->Model()->ApplyPendingChanges();
    for (int row : {1, 3}) {
        list->selectionModel()->select(list->Model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    const QList<QAction*> actions = view.EventListPopup()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("選択データを削除する"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("すべてのデータを削除する"));

    actions[0]->trigger();
    std::vector<std::string> left;
    for (const auto& row : f.tables.eventList.Snapshot()) {
        left.push_back(row.cells[EVENT_COL_IP]);
    }
    EXPECT_EQ(left, (std::vector<std::string>{"192.168.0.0", "192.168.0.2"}));
    // The event log file stays as it was: empty.
    EXPECT_EQ(std::filesystem::file_size(LogFolder() / "log.log"), 0u);

    actions[1]->trigger();
    EXPECT_EQ(f.tables.eventList.RowCount(), 0);
}

}  // namespace
}  // namespace halvera
