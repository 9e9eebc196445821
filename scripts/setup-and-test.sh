#!/usr/bin/env bash
# Installs the dependencies, builds everything from scratch and runs every test:
# the full suite (GL tests under Xvfb), clang-tidy over the Qt-free libraries (any finding fails
# the run), the Debian package built from the same Release build, installed, used and removed,
# then the Qt-free core under ASan + UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)

rm -rf build/test build/asan
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/test -j "$jobs"
scripts/run-suite.sh build/test

scripts/lint.sh build/test
scripts/package-check.sh build/test

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNIMBROOK_SANITIZE=ON \
    -DNIMBROOK_WITH_QT=OFF -DNIMBROOK_BUILD_BENCH=OFF
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs"
