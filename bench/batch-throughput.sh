#!/usr/bin/env bash
# Batch conversion speed of the viewer executable, one process per file as scripts run it, on the
# demo data set (360 rays x 1000 gates per PPI sweep): files per second sequentially and with
# xargs -P 2, and the time one batch process takes from start to exit (median of 15 runs), without
# a map and with the demo map in the settings (the first run with it, which prepares the map
# background in the cache folder, and the median of the runs after it, which read it back), against
# a NumPy + matplotlib script making a picture of the same file (bench/batch-yardstick.py) in the
# same run.
# Usage: bench/batch-throughput.sh [BUILD_DIR]   (default build/release; configure it Release)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$(realpath "${1:-build/release}")
viewer="$build/app/nimbrook"
synth="$build/tools/synth/nimbrook-synth"
demomap="$build/tools/demomap/nimbrook-demo-map"
source bench/common.sh
require_built "$viewer" "$synth" "$demomap"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$synth" "$work/data" >/dev/null
cp "$viewer" "$work/nimbrook"
files=$(find "$work/data/ppi" "$work/data/gz" "$work/data/rhi" -type f | sort)
count=$(wc -l <<<"$files")
export QT_QPA_PLATFORM=offscreen
export XDG_CACHE_HOME="$work/cache" # a cache folder of the run's own: the first run with the map is cold
cd "$work"

now() { date +%s.%N; }
rate() { awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%.1f files/s (%d files in %.2f s)", n / (b - a), n, b - a }'; }

start=$(now)
while IFS= read -r f; do ./nimbrook "$f" 2>/dev/null; done <<<"$files"
end=$(now)
echo "sequential:       $(rate "$count" "$start" "$end")"

start=$(now)
xargs -P 2 -n 1 ./nimbrook <<<"$files" 2>/dev/null
end=$(now)
echo "xargs -P 2:       $(rate "$count" "$start" "$end")"

one=$(find "$work/data/ppi" -name '*.scn' | sort | head -n 1)
median_ms() {
    local times=()
    for _ in $(seq 15); do
        a=$(now)
        "$@" 2>/dev/null
        b=$(now)
        times+=("$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.1f", (b - a) * 1000 }')")
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 8p
}
one_process() { median_ms ./nimbrook "$one"; }
alone=$(one_process)
echo "one process:      $alone ms median from start to exit ($(basename "$one"), 360 x 1000)"
yardstick=$(median_ms /usr/bin/python3 "$repo/bench/batch-yardstick.py" "$one" "$work/yardstick.jpg")
echo "yardstick:        $yardstick ms median (NumPy + matplotlib, same file): the viewer is $(awk -v a="$alone" -v y="$yardstick" 'BEGIN { printf "%.1f", y / a }')x faster"
map=$("$demomap" "$one" "$work/map" | grep -o '/.*\.png' | head -n 1)
printf '[Disp]\nMap=%s\n' "$map" >nimbrook.ini
a=$(now)
./nimbrook "$one" 2>/dev/null
b=$(now)
echo "with the map:     $(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.1f", (b - a) * 1000 }') ms the first run (decodes the 2000 x 2000 PNG, caches its prepared part)"
echo "with the map:     $(one_process) ms median of the runs after it (demo map in the settings)"
rm -f nimbrook.ini
lines=$(wc -l <nimbrook.log)
ok=$(grep -c ',OK,' nimbrook.log || true)
echo "operation log:    $lines lines, $ok OK (expected $((2 * count + 31)))"
