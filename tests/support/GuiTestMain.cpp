// main() of the Qt test binaries: a QApplication, so widgets work too, on the offscreen platform
// (unless the environment names another, e.g. xcb under Xvfb) with a fixed 96 DPI, then every test.
#include "tests/support/Privatecache.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test discovery runs the binary at build time without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);
    const ScopedPrivateCache cache;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
