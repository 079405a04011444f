#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#if defined(__SANITIZE_THREAD__)
// Qt (with its X11 platform plugin and the X client libraries below it, used where a test
// needs an X server), and the glib and PulseAudio libraries below it, are not built for
// ThreadSanitizer: their locks and event queues synchronise through futexes and event fds that the
// sanitizer cannot see, so what they allocate and free on their own threads would read as races.
// Only calls made from inside these libraries are ignored; Halvera's own code, and every hand-over
// between its threads (own mutexes, atomics), stays checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libQt6Network.so.6\n"
           "called_from_lib:libQt6XcbQpa.so.6\n"
           "called_from_lib:libxcb.so.1\n"
           "called_from_lib:libX11.so.6\n"
           "called_from_lib:libXrender.so.1\n"
           "called_from_lib:libXfixes.so.3\n"
           "called_from_lib:libXcursor.so.1\n"
           "called_from_lib:libQt6Multimedia.so.6\n"
           "called_from_lib:libglib-2.0.so.0\n"
           "called_from_lib:libpulse.so.0\n"
           "called_from_lib:libpulsecommon\n"
           "called_from_lib:libQt6Test.so.6\n";
}
#endif

#if defined(__SANITIZE_ADDRESS__)
// On a real X server Qt also connects to D-Bus; libdbus keeps a buffer of its own for the
// life of the process, which LeakSanitizer would report at exit.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so.3\n";
}
#endif

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
