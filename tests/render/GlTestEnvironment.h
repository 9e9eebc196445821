#pragma once

#include "tests/render/GlTestSupport.h"

#include <gtest/gtest.h>
#include <memory>

/// Creates the application (QGuiApplication, or QApplication for widgets) for the whole test run
/// at a fixed 96 DPI, on the headless platform when there is no display, and reports which OpenGL
/// the run gets. Register one per binary with testing::AddGlobalTestEnvironment.
template <class Application> class GlApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        UseOffscreenPlatformWithoutDisplay();
        Application::setAttribute(Qt::AA_Use96Dpi);
        application_ = std::make_unique<Application>(argc_, argv_);
        ReportOpenGl();
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "nimbrook_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<Application> application_;
};
