#!/usr/bin/env bash
# Archive conversion speed of nimbrook-convert: 48 demo sweeps (the 12 PPI sweeps of 360 rays x
# 1000 gates, four copies each) with the demo map in the viewer's settings, converted with --jobs 1
# and --jobs 2. Each figure is files per second from the start to the exit of the whole program,
# the median of RUNS runs; beside it the peak resident memory of the largest process of a run (a
# worker), the median over the runs. The machine's load average is printed before and after, so
# a busy machine shows.
# Usage: bench/convert-throughput.sh [BUILD_DIR] [RUNS]   (default build/release, 7; configure it Release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
runs=${2:-7}
synth="$build/tools/synth/nimbrook-synth"
demomap="$build/tools/demomap/nimbrook-demo-map"
source bench/common.sh
require_built "$synth" "$demomap"
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time: run scripts/install-deps.sh" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_archive "$work" "$synth"
install_converter "$build" "$work/bin"
one=$(find "$work/data/ppi" -name '*.scn' | sort | head -n 1)
map=$("$demomap" "$one" "$work/map" | grep -o '/.*\.png' | head -n 1)
printf '[Disp]\nMap=%s\n' "$map" >"$work/bin/nimbrook.ini"
export QT_QPA_PLATFORM=offscreen
cd "$work"

# One converter run: "<files per second> <peak resident memory in MB>".
one_run() {
    rm -f archive/*.jpg nimbrook.log
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o memory.txt bin/nimbrook-convert --quiet --jobs "$1" archive
    end=$(date +%s.%N)
    local jpegs ok
    jpegs=$(find archive -name '*.jpg' | wc -l)
    ok=$(grep -c ',OK,' nimbrook.log || true)
    [ "$jpegs" -eq "$count" ] && [ "$ok" -eq "$count" ] ||
        { echo "run with --jobs $1: $jpegs pictures, $ok OK lines of $count" >&2; exit 1; }
    awk -v n="$count" -v a="$start" -v b="$end" '{ printf "%.2f %.1f\n", n / (b - a), $1 / 1024 }' memory.txt
}

measure() {
    local rates=() memories=() result
    for _ in $(seq "$runs"); do
        result=$(one_run "$1")
        rates+=("${result% *}")
        memories+=("${result#* }")
    done
    rate=$(printf '%s\n' "${rates[@]}" | median)
    memory=$(printf '%s\n' "${memories[@]}" | median)
    echo "--jobs $1: $rate files/s median of $runs runs (${rates[*]}), peak memory of a worker $memory MB"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors"
measure 1
one=$rate
measure 2
awk -v a="$one" -v b="$rate" 'BEGIN { printf "--jobs 2 / --jobs 1: %.2f\n", b / a }'
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
