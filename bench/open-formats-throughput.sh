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
synth="$build/tools/synth/nimbrook-synth"
source bench/common.sh
require_built "$synth"
python=/usr/bin/python3
"$python" -c 'import netCDF4, h5py, numpy' 2>/dev/null ||
    { echo "missing python3-netcdf4, python3-h5py or python3-numpy: run scripts/install-deps.sh" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_archive "$work" "$synth"
install_converter "$build" "$work/bin"
cd "$work"

# Sets rate (the median files/s of RUNS runs) and rates (every run's).
measure() {
    local all=()
    for _ in $(seq "$runs"); do
        all+=("$(files_per_second "$@")")
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
