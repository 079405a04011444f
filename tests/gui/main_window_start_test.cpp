#include <gtest/gtest.h>
#include <QApplication>
#include <QMainWindow>

namespace {

// The gui suite runs offscreen: a window can be shown and inspected without a display.
TEST(GuiSuite, OffscreenPlatformShowsAWindow) {
    EXPECT_EQ(QApplication::platformName(), QStringLiteral("offscreen"));
    QMainWindow window;
    window.show();
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
