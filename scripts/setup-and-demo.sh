#!/usr/bin/env bash
# Installs the dependencies, builds Nimbrook (Release), writes the demo data set into
# ./demo/data with the demo map for its radar site in ./demo/data/map, prints a one-line summary
# of every demo scan file as the viewer's reader sees it, renders the main picture of one PPI
# sweep over the map into ./demo/main-picture.png and the vertical-section window of one RHI sweep
# into ./demo/srhi/, and then opens the viewer playing the demo PPI sequence (when there is a
# display; without one it converts a PPI sweep into a JPEG in batch mode).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$(nproc)"

data=demo/data
rm -rf "$data"
build/release/tools/synth/nimbrook-synth "$data" >/dev/null
# The map's site comes from a demo file's header, so map and data cannot disagree.
first_ppi=$(find "$data/ppi" -name '*.scn' | sort | head -n 1)
map=$(build/release/tools/demomap/nimbrook-demo-map "$first_ppi" "$data/map")

scaninfo=build/release/tools/scaninfo/nimbrook-scaninfo
echo "Demo data in $data:"
status=0
while IFS= read -r file; do
    options=()
    case "$file" in
        "$data"/small/*) options+=(--small) ;; # the small device's 54-byte header
    esac
    if ! summary=$("$scaninfo" "${options[@]}" "$file"); then
        status=1
    fi
    awk -v file="${file#"$data"/}" -F': +' '
        { v[$1] = $2 }
        END { split(v["productMask"], mask, " ")
              printf "%-31s %s  %4s x %4s gates of %s m  mask %s  format %3s  lat %s lon %s  error %s\n",
              file, v["scanTime"], v["rayCount"], v["gateCount"], v["gateSpacingM"], mask[1],
              v["formatType"], v["latitude"], v["longitude"], v["errorCode"] }' <<<"$summary"
done < <(find "$data" -type f ! -name '*.txt' ! -path "$data/map/*" | sort)

last_ppi=$(find "$data/ppi" -name '*.scn' | sort | tail -n 1)
build/release/tools/render/nimbrook-render "$last_ppi" demo/main-picture.png --product Zh --map "$map" \
    --radius-km 80 || status=1
# The vertical-section window needs OpenGL: a virtual display with Mesa's software renderer.
rhi=$(find "$data/rhi" -name '*.rhi' | sort | sed -n 2p)
xvfb-run -a -s "-screen 0 1280x1024x24" build/release/tools/srhilook/nimbrook-srhi-look demo/srhi "$rhi" \
    >/dev/null || status=1
echo "Map: $map"
echo "Main picture (Zh, 80 km, over the map): demo/main-picture.png"
echo "SRHI window of $(basename "$rhi") (Zh, 90 and 180 degree displays): demo/srhi/*.png"
if [ $status -ne 0 ]; then
    exit $status
fi

viewer=build/release/app/nimbrook
# The viewer's own settings beside it: start with the demo map and the 80 km scale, unless the
# viewer has settings already.
if [ ! -e "$viewer.ini" ]; then
    printf '[Setting]\nScale=80.0\n[Disp]\nMap=%s\n' "$(realpath "$map")" >"$viewer.ini"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # No desktop: batch mode, as a script converting files would run it. The JPEG lands beside the
    # scan file, the operation log in the folder the run starts in.
    echo "No display here, so the viewer is converting one sweep in batch mode instead:"
    rm -f demo/nimbrook.log
    (cd demo && "../$viewer" "../$last_ppi" 2>/dev/null) || status=1
    echo "  batch picture: ${last_ppi%.scn}.jpg"
    echo "  operation log: demo/nimbrook.log: $(tail -n 1 demo/nimbrook.log 2>/dev/null)"
    echo "On a desktop the viewer plays the demo with:"
    echo "  $viewer --play $data/ppi"
    exit $status
fi
echo "Opening the viewer on the demo PPI sequence ($data/ppi), playing at the display time."
exec "$viewer" --play "$data/ppi"
