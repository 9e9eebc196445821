#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy, where every finding is an error) over our own sources that a
# build folder compiled: by default the Qt-free libraries (files/, settings/, gis/, the raster
# painter and frame pipeline of render/, the Qt-free units of display/ and app/, the loop encoders
# of platform/, the scan-file writer, the demo data and the GIS helper of tools/, the Qt-free units
# of nimbrook-convert).
# Usage: scripts/lint.sh BUILD_DIR [REGEX]   (BUILD_DIR must have compile_commands.json)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/lint.sh BUILD_DIR [REGEX]}
root=$(pwd)
default="^$root/(files/.*|gis/.*|settings/.*|render/(Colourscales|Genradarmap|Legendstrip|Qualityflags|Raysinks|Sweeppipeline)|display/(Dechodrawmodule|Srhiscale)|platform/(Animatedloop|Gifloop|Loopcolours|Webploop)|app/(Fmainstring|Followrules)|tools/((scanwriter|synth|gisprep)/.*|convert/(Convertoptions|Convertoutputs|Loopassembly|Loopframes|Progressline|Workerpool)))\\.cpp\$"
regex=${2:-$default}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure $build first" >&2; exit 1; }
exec run-clang-tidy-14 -p "$build" -quiet -j "$(nproc)" "$regex"
