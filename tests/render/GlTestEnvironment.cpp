// The GUI application of the renderer test binaries, created once for the whole run.
#include "tests/render/GlTestSupport.h"

#include <QGuiApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

/// Creates the GUI application for the whole test run and reports which OpenGL the run gets.
class GuiApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        UseOffscreenPlatformWithoutDisplay();
        application_ = std::make_unique<QGuiApplication>(argc_, argv_);
        ReportOpenGl();
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "nimbrook_gl";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> application_;
};

[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new GuiApplicationEnvironment);

} // namespace
