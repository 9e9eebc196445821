// Test programs are not beside the reader program, so they name it for themselves and for the
// programs they start, unless the one running the tests chose another.
#include <cstdlib>

namespace {

const int kNamed = ::setenv("NIMBROOK_SWEEPREAD", NIMBROOK_SWEEPREAD_EXE, 0);

} // namespace
