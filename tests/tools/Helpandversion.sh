#!/bin/sh
# Helpandversion.sh PROGRAM NAME: --help prints the usage on standard output and exits 0, --version
# prints "NAME VERSION" and exits 0, and neither writes anything else (no log, no stderr).
set -eu
program=$1
name=$2
version=$3
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"
"$program" --help >help.txt 2>errors.txt
grep -q "^usage: $name" help.txt
"$program" --version >version.txt 2>>errors.txt
[ "$(cat version.txt)" = "$name $version" ]
[ ! -s errors.txt ]
[ "$(ls)" = "$(printf 'errors.txt\nhelp.txt\nversion.txt')" ]
