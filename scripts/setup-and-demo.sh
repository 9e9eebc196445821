#!/usr/bin/env bash
# Installs the dependencies, builds Nimbrook (Release), writes the demo data set into
# ./demo/data and prints a one-line summary of every demo file as the viewer's reader sees it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$(nproc)"

data=demo/data
rm -rf "$data"
build/release/tools/synth/nimbrook-synth "$data" >/dev/null

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
done < <(find "$data" -type f ! -name '*.txt' | sort)
exit $status
