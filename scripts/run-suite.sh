#!/usr/bin/env bash
# Runs the whole suite of BUILD_DIR under Xvfb, each test once. The server runs with -noreset: by
# default it resets whenever its last client leaves, and a test connecting (or mid-handshake) at
# that moment was refused, or died of SIGPIPE on its dropped connection, when tests ran side by
# side. Only a test that failed because its connection to the X server was still refused is run
# again; any other failure fails the run at once.
# Usage: scripts/run-suite.sh BUILD_DIR [ctest options...]
set -euo pipefail
build=$1
shift
report="$build/suite-report.xml"
jobs=$(nproc)

run() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$build" --output-on-failure -j "$jobs" \
        --output-junit "$(realpath "$report")" "$@"
}

if run "$@"; then
    exit 0
fi
# The failed tests, and whether each says its display connection was refused.
refused_only=$(/usr/bin/python3 - "$report" <<'PY'
import re
import sys
import xml.etree.ElementTree as tree

refused = re.compile(r"could not connect to display|cannot open display|Maximum number of clients")
failed = [case for case in tree.parse(sys.argv[1]).iter("testcase")
          if case.get("status") == "fail" or case.find("failure") is not None]
print("yes" if failed and all(refused.search("".join(case.itertext())) for case in failed) else "no")
PY
)
if [ "$refused_only" != "yes" ]; then
    exit 1
fi
echo "run-suite: every failure was a refused display connection; running those tests again" >&2
run --rerun-failed "$@"
