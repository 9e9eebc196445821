#!/usr/bin/env bash
# Builds the Debian package from a configured and built folder, installs it as a user would
# (apt-get install ./nimbrook_*.deb), checks that the desktop knows the scan files, converts a demo
# sweep with the installed viewer as an unprivileged user (the installed folder is read-only to
# it), and removes the package again. Needs root or sudo; changes the machine's /usr while it runs.
# Usage: scripts/package-check.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:?usage: scripts/package-check.sh BUILD_DIR}")
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

rm -f "$build"/nimbrook_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/nimbrook_*.deb)
echo "package: $(basename "$deb") ($(dpkg-deb -f "$deb" Depends))"

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    $sudo rm -rf "$work"
    if dpkg-query -W -f='${Status}' nimbrook 2>/dev/null | grep -q "install ok installed"; then
        $sudo apt-get remove -y nimbrook >/dev/null
    fi
}
trap cleanup EXIT
fail() {
    echo "package check: $*" >&2
    exit 1
}

$sudo apt-get install -y "$deb" >/dev/null
for program in nimbrook nimbrook-scaninfo nimbrook-render nimbrook-srhi-look nimbrook-synth nimbrook-demo-map \
    nimbrook-paint-sweep nimbrook-convert nimbrook-convert-formats nimbrook-sweepread nimbrook-gisprep; do
    [ -x "/usr/bin/$program" ] || fail "/usr/bin/$program is not installed"
done
# The file manager's view: the MIME database names the scan files, and the desktop entry opens them.
grep -q ':\*\.scn$' /usr/share/mime/globs2 || fail "the MIME database does not know *.scn"
grep -q 'application/x-nimbrook-scan=org.nimbrook.Nimbrook.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "no application is offered for scan files"

# A batch conversion by a user who cannot write to /usr/bin.
user=nobody
as_user() { $sudo runuser -u "$user" -- env HOME="$work/home" QT_QPA_PLATFORM=offscreen "$@"; }
mkdir -p "$work/home"
chown -R "$user" "$work"
(cd "$work" && as_user nimbrook-synth data >/dev/null)
sweep=$(cd "$work" && find data/ppi -name '*.scn' | sort | head -n 1)
(cd "$work" && as_user nimbrook "$sweep")
[ -s "$work/${sweep%.scn}.jpg" ] || fail "the installed viewer wrote no JPEG"
grep -q ",OK,$sweep," "$work/nimbrook.log" || fail "no OK line in the operation log"
echo "converted:  $sweep -> ${sweep%.scn}.jpg with /usr/bin/nimbrook as $user"
# An open-format file: read by the reader program installed beside the viewer.
cp tests/data/open/knmi_polar_volume.h5 "$work/volume.h5"
chown "$user" "$work/volume.h5"
(cd "$work" && as_user nimbrook volume.h5)
[ -s "$work/volume.jpg" ] || fail "the installed viewer wrote no JPEG of an ODIM_H5 file"
echo "converted:  volume.h5 -> volume.jpg (nimbrook-sweepread beside the viewer)"
# An open-format output: written by the converter's second program, installed beside it.
(cd "$work" && as_user nimbrook-convert --quiet --to cfradial --out nc "$sweep")
[ -n "$(find "$work/nc" -name '*.nc' -size +0)" ] || fail "the installed converter wrote no CfRadial file"
echo "converted:  $sweep -> CfRadial (nimbrook-convert-formats beside nimbrook-convert)"

$sudo apt-get remove -y nimbrook >/dev/null
[ ! -e /usr/bin/nimbrook ] || fail "/usr/bin/nimbrook is left after removal"
[ ! -e /usr/share/applications/org.nimbrook.Nimbrook.desktop ] || fail "the desktop entry is left after removal"
echo "removed:    nimbrook"
