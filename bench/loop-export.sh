#!/usr/bin/env bash
# Loops of the 12 demo sweeps (360 rays x 1000 gates) over the demo map, the way this viewer makes
# them beside the way a user makes one without it: `nimbrook-convert --loop x.webp` (and x.gif)
# from start to exit against 12 batch runs writing JPEGs followed by ImageMagick's
# `convert -delay 100 -loop 0 *.jpg x.gif`, run side by side RUNS times (median). Then the sizes of
# the three loops and the frame fidelity: the mean absolute difference per channel, in levels, of
# every WebP frame from the batch JPEG of its file (that is the JPEG's own error: the WebP frames
# are lossless), of every GIF frame from the WebP frame (the palette's error), and of ImageMagick's
# GIF frames from the JPEGs; the largest over the frames. The machine's load average is printed
# before and after, so a busy machine shows.
# Usage: bench/loop-export.sh [BUILD_DIR] [RUNS]   (default build/release, 3; configure it Release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
runs=${2:-3}
synth="$build/tools/synth/nimbrook-synth"
demomap="$build/tools/demomap/nimbrook-demo-map"
source bench/common.sh
require_built "$synth" "$demomap"
for tool in convert compare; do
    command -v "$tool" >/dev/null || { echo "missing ImageMagick's $tool: run scripts/install-deps.sh" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$synth" "$work/data" >/dev/null
mkdir "$work/jpegs" "$work/frames"
install_converter "$build" "$work/bin"
cp "$work"/data/ppi/*.scn "$work/jpegs/"
one=$(find "$work/data/ppi" -name '*.scn' | sort | head -n 1)
map=$("$demomap" "$one" "$work/map" | grep -o '/.*\.png' | head -n 1)
printf '[Disp]\nMap=%s\n' "$map" >"$work/bin/nimbrook.ini"
export QT_QPA_PLATFORM=offscreen
cd "$work"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

today=() webp=() gif=()
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors"
for _ in $(seq "$runs"); do
    rm -f jpegs/*.jpg im.gif x.webp x.gif
    start=$(now)
    for f in jpegs/*.scn; do bin/nimbrook "$f"; done
    convert -delay 100 -loop 0 jpegs/*.jpg im.gif
    today+=("$(elapsed "$start" "$(now)")")
    start=$(now)
    bin/nimbrook-convert --quiet --loop x.webp data/ppi
    webp+=("$(elapsed "$start" "$(now)")")
    start=$(now)
    bin/nimbrook-convert --quiet --loop x.gif data/ppi
    gif+=("$(elapsed "$start" "$(now)")")
done
t_today=$(printf '%s\n' "${today[@]}" | median)
t_webp=$(printf '%s\n' "${webp[@]}" | median)
t_gif=$(printf '%s\n' "${gif[@]}" | median)
echo "12 batch runs + ImageMagick GIF: ${t_today} s median of $runs (${today[*]})"
awk -v t="$t_webp" -v b="$t_today" -v r="${webp[*]}" 'BEGIN { printf "nimbrook-convert --loop x.webp: %.2f s (%s), %.2f of that\n", t, r, t / b }'
awk -v t="$t_gif" -v b="$t_today" -v r="${gif[*]}" 'BEGIN { printf "nimbrook-convert --loop x.gif:  %.2f s (%s), %.2f of that\n", t, r, t / b }'
size() { awk -v s="$(stat -c %s "$1")" 'BEGIN { printf "%.2f MB", s / 1e6 }'; }
echo "sizes: x.webp $(size x.webp), x.gif $(size x.gif), ImageMagick's GIF $(size im.gif)"

convert x.webp -coalesce frames/webp-%02d.png
convert x.gif -coalesce frames/gif-%02d.png
convert im.gif -coalesce frames/im-%02d.png
k=0
for f in jpegs/*.jpg; do
    convert "$f" "$(printf 'frames/jpeg-%02d.png' "$k")"
    k=$((k + 1))
done
# The largest mean absolute difference over the frame pairs of two name patterns, in levels.
largest_mae() {
    local worst=0 mae
    for i in $(seq 0 $((k - 1))); do
        mae=$(compare -metric MAE "$(printf "$1" "$i")" "$(printf "$2" "$i")" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
        worst=$(awk -v w="$worst" -v m="$mae" 'BEGIN { print (m * 255 > w) ? m * 255 : w }')
    done
    printf '%.2f' "$worst"
}
echo "frame fidelity, largest mean absolute difference per channel over the $k frames, in levels:"
echo "  WebP frame - batch JPEG:       $(largest_mae frames/webp-%02d.png frames/jpeg-%02d.png) (the JPEG's own error)"
echo "  GIF frame - WebP frame:        $(largest_mae frames/gif-%02d.png frames/webp-%02d.png) (the palette's error)"
echo "  ImageMagick GIF - batch JPEG:  $(largest_mae frames/im-%02d.png frames/jpeg-%02d.png)"
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
