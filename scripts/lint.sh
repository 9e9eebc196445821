#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy, where every finding is an error) over our own sources that a
# build folder compiled: by default the sources of the Qt-free libraries, as the build lists them in
# BUILD_DIR/qt-free-sources.txt (the list of those libraries is in the top CMakeLists.txt).
# Usage: scripts/lint.sh BUILD_DIR [REGEX]   (BUILD_DIR must have compile_commands.json)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/lint.sh BUILD_DIR [REGEX]}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure $build first" >&2; exit 1; }
sources="$build/qt-free-sources.txt"
[ -f "$sources" ] || { echo "no $sources: configure $build again" >&2; exit 1; }
# One regex matching exactly those paths: each escaped, joined by "|".
default="^($(sed 's/[][\.*^$+?(){}|]/\\&/g' "$sources" | paste -sd'|'))\$"
regex=${2:-$default}
exec run-clang-tidy-14 -p "$build" -quiet -j "$(nproc)" "$regex"
