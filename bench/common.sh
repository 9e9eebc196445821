# Shared steps of the throughput scripts; sourced, not run.

# Fails unless every path given is an executable of the build.
require_built() {
    local tool
    for tool in "$@"; do
        [ -x "$tool" ] || { echo "missing $tool: build the Release build folder first" >&2; exit 1; }
    done
}

# The median of the numbers on standard input, one per line.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Copies the viewer and both converter programs of the build BUILD into the folder BIN (made),
# side by side as they are installed; fails unless they are built.
install_converter() {
    local build=$1 bin=$2
    local programs=("$build/app/nimbrook" "$build/app/nimbrook-convert" "$build/app/nimbrook-convert-formats")
    require_built "${programs[@]}"
    mkdir -p "$bin"
    cp "${programs[@]}" "$bin/"
}

# Writes the demo data set into WORK/data and 48 sweeps into WORK/archive (the 12 PPI sweeps of
# 360 rays x 1000 gates, four copies each) with the synthesiser SYNTH; sets count to their number.
make_archive() {
    local work=$1 synth=$2 copy f
    "$synth" "$work/data" >/dev/null
    mkdir -p "$work/archive"
    for copy in 1 2 3 4; do
        for f in "$work"/data/ppi/*.scn; do
            cp "$f" "$work/archive/$copy-$(basename "$f")"
        done
    done
    count=$(find "$work/archive" -name '*.scn' | wc -l)
}

# Files per second of one run of the command after EXTENSION, which must write one output with
# that extension under ./out for each of the count sweeps.
files_per_second() {
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
