// main() of the application tests: the application object of the viewer itself (so that
// exceptions reaching the event loop are handled as in the program) on the offscreen platform
// at a fixed 96 DPI, then every test.
#include "app/Nimbrookapplication.h"
#include "tests/support/Privatecache.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    TNimbrookApplication application(argc, argv);
    const ScopedPrivateCache cache;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
