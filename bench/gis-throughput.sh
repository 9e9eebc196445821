#!/usr/bin/env bash
# GIS outputs: nimbrook-convert --to geotiff and --to kmz with --jobs 1 over 48 demo sweeps (the 12
# PPI sweeps of 360 rays x 1000 gates of 100 m with all eight products and the quality words, four
# copies each), at the default cell size. GeoTIFF twice: with the default settings (display radius
# 50 km: 400 x 400 cells) and with Scale=0 (the whole 100 km data range: 800 x 800 cells). Each
# figure is files per second from the start to the exit of the whole program, the median of RUNS
# runs. The load average is printed before and after, so a busy machine shows.
# Usage: bench/gis-throughput.sh [BUILD_DIR] [RUNS]   (default build/release, 5; configure it Release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
runs=${2:-5}
viewer="$build/app/nimbrook"
convert="$build/app/nimbrook-convert"
synth="$build/tools/synth/nimbrook-synth"
for tool in "$viewer" "$convert" "$synth"; do
    [ -x "$tool" ] || { echo "missing $tool: build $build first" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$synth" "$work/data" >/dev/null
mkdir "$work/bin" "$work/archive"
cp "$viewer" "$convert" "$work/bin/"
for copy in 1 2 3 4; do
    for f in "$work"/data/ppi/*.scn; do
        cp "$f" "$work/archive/$copy-$(basename "$f")"
    done
done
count=$(find "$work/archive" -name '*.scn' | wc -l)
printf '[Setting]\nScale=0\n' >"$work/whole-range.ini"
cd "$work"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Files per second of one run of the command after the extension of its outputs.
one_run() {
    local extension=$1
    shift
    rm -rf out nimbrook.log
    local start end outputs
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    outputs=$(find out -name "*$extension" | wc -l)
    [ "$outputs" -eq "$count" ] || { echo "$*: $outputs outputs of $count" >&2; exit 1; }
    awk -v n="$count" -v a="$start" -v b="$end" 'BEGIN { printf "%.2f\n", n / (b - a) }'
}

# Prints the median files/s of RUNS runs and every run's.
measure() {
    local label=$1
    shift
    local all=()
    for _ in $(seq "$runs"); do
        all+=("$(one_run "$@")")
    done
    echo "$label: $(printf '%s\n' "${all[@]}" | median) files/s (${all[*]})"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors; $count sweeps"
measure "--to geotiff --jobs 1, 50 km radius (400 x 400 cells of 250 m)" .tif \
    bin/nimbrook-convert --quiet --to geotiff --out out --jobs 1 archive
measure "--to geotiff --jobs 1, whole 100 km range (800 x 800 cells of 250 m)" .tif \
    bin/nimbrook-convert --quiet --settings whole-range.ini --to geotiff --out out --jobs 1 archive
measure "--to kmz --jobs 1, 50 km radius (1000 x 1000 picture)" .kmz \
    bin/nimbrook-convert --quiet --to kmz --out out --jobs 1 archive
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
