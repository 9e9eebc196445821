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
synth="$build/tools/synth/nimbrook-synth"
source bench/common.sh
require_built "$synth"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_archive "$work" "$synth"
install_converter "$build" "$work/bin"
printf '[Setting]\nScale=0\n' >"$work/whole-range.ini"
cd "$work"

# Prints the median files/s of RUNS runs and every run's.
measure() {
    local label=$1
    shift
    local all=()
    for _ in $(seq "$runs"); do
        all+=("$(files_per_second "$@")")
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
