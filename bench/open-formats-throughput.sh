#!/usr/bin/env bash
# Open radar formats out: nimbrook-convert --to cfradial and --to odim with --jobs 1 over 48 demo
# sweeps (the 12 PPI sweeps of 360 rays x 1000 gates with all eight products and the quality
# words, four copies each), against the NumPy + netCDF4-python / h5py yardstick
# (bench/open-formats-yardstick.py) converting the same folder with the same compression, in the
# same run. Each figure is files per second from the start to the exit of the whole program, the
# median of RUNS runs; then the size of the outputs against the inputs. The load average is
# printed before and after, so a busy machine shows.
# Usage: bench/open-formats-throughput.sh [BUILD_DIR] [RUNS]   (default build/release, 5; configure it Release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
runs=${2:-5}
yardstick=$(realpath bench/open-formats-yardstick.py)
viewer="$build/app/nimbrook"
convert="$build/app/nimbrook-convert"
synth="$build/tools/synth/nimbrook-synth"
for tool in "$viewer" "$convert" "$synth"; do
    [ -x "$tool" ] || { echo "missing $tool: build $build first" >&2; exit 1; }
done
python=/usr/bin/python3
"$python" -c 'import netCDF4, h5py, numpy' 2>/dev/null ||
    { echo "missing python3-netcdf4, python3-h5py or python3-numpy: run scripts/install-deps.sh" >&2; exit 1; }

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

# Sets rate (the median files/s of RUNS runs) and rates (every run's).
measure() {
    local all=()
    for _ in $(seq "$runs"); do
        all+=("$(one_run "$@")")
    done
    rates="${all[*]}"
    rate=$(printf '%s\n' "${all[@]}" | median)
}

input_bytes=$(du -sb archive | cut -f1)
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors; $count sweeps, $input_bytes bytes"
for format in cfradial odim; do
    extension=$([ "$format" = odim ] && echo .h5 || echo .nc)
    measure "$extension" bin/nimbrook-convert --quiet --to "$format" --out out --jobs 1 archive
    ours=$rate ours_runs=$rates
    [ "$(grep -c ',OK,' nimbrook.log)" -eq "$count" ] || { echo "not every file logged OK" >&2; exit 1; }
    output_bytes=$(du -sb out | cut -f1)
    measure "$extension" "$python" "$yardstick" "$format" archive out
    awk -v f="$format" -v a="$ours" -v b="$rate" -v o="$output_bytes" -v i="$input_bytes" \
        -v ar="$ours_runs" -v br="$rates" 'BEGIN {
        printf "--to %s --jobs 1: %.2f files/s (%s); yardstick script %.2f files/s (%s); ratio %.2f; output %.1f %% of input\n",
               f, a, ar, b, br, a / b, 100 * o / i }'
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
