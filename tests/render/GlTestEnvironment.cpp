// The GUI application of the renderer test binaries, created once for the whole run.
#include "tests/render/GlTestEnvironment.h"

#include <QGuiApplication>

namespace {

[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new GlApplicationEnvironment<QGuiApplication>);

} // namespace
