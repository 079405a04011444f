#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

// Qt tests run without a display; gtest_discover_tests also runs them at build time, without
// the test environment, so the platform is chosen here when the caller did not.
int main(int argc, char* argv[]) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
