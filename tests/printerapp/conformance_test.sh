#!/usr/bin/env bash
# CUPS's IPP conformance tests against brimloft-printer-app on loopback with a file:// printer:
# ipp-2.0.test (with ipp-1.1.test) and ipp-everywhere.test, whose print groups also run at 203 dpi.
# Prints ipptool's lines and a count per file; fails on any failure not listed in
# known_ipptool_failures.txt, or when the server dies.
# usage: conformance_test.sh APP WORKDIR
set -euo pipefail
APP=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
source "$here/app_fixture.sh"
trap 'stop_app || true' EXIT

bash "$here/make_test_folder.sh" "$work/tests"
start_app "$work/app"
add_printer rx2 brimloft_rx2p
uri="ipp://localhost:$APP_PORT/ipp/print/rx2"
sleep 1  # printer-up-time must be above 0

cd "$work/tests"
status=0
for test in ipp-2.0.test ipp-everywhere.test; do
  # ipp-everywhere.test includes ipp-2.0.test; run it on its own lines file for the count.
  timeout 300 ipptool -f document-a4.pdf -t -I -T 30 "$uri" "$test" >"$work/$test.txt" 2>&1 || true
  cat "$work/$test.txt"
  wait_jobs_done rx2 60
done
echo
echo "ipptool results (file: passed / failed / skipped):"
for test in ipp-2.0.test ipp-everywhere.test; do
  awk -v name="$test" '
    /^"/ { file = $0; gsub(/[":]/, "", file) }
    /\[PASS\]$/ { pass[file]++ } /\[FAIL\]$/ { fail[file]++ } /\[SKIP\]$/ { skip[file]++ }
    END { for (f in pass) printf "  %s (run of %s): %d / %d / %d\n", f, name, pass[f], fail[f] + 0, skip[f] + 0 }
  ' "$work/$test.txt" | sort
done
unexpected=$(grep -h '\[FAIL\]$' "$work"/ipp-*.test.txt | sed -E 's/^ +//; s/ +\[FAIL\]$//' |
  grep -vxF -f <(grep -v '^#' "$here/known_ipptool_failures.txt") || true)
if [ -n "$unexpected" ]; then
  echo "unexpected ipptool failures:"
  echo "$unexpected"
  status=1
fi
if grep -qE 'cannot be read|Unable to open' "$work"/ipp-*.test.txt; then
  echo "ipptool stopped at a missing file"
  status=1
fi
stop_app || status=1
exit $status
