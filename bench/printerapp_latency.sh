#!/usr/bin/env bash
# Benchmark, not a test: lp of the one-page receipt through a driverless CUPS queue to the last
# byte on the application's file device, and the application's share of it against the engine's.
# Prints the median of RUNS runs of: lp to the last byte; the application's job (PAPPL's log, from
# "Starting print job" to "Completed") and the engine's run inside it; the engine alone (brimloft-print of the same receipt).
# usage: bench/printerapp_latency.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-5}
APP=$build/host/brimloft-printer-app
receipt=$build/examples/receipt.xps
work=$(mktemp -d)
chmod 755 "$work"  # the queue's backend runs as another user
source "$root/tests/printerapp/app_fixture.sh"
source "$root/tests/printerapp/cups_fixture.sh"
trap 'stop_cupsd; stop_app || true; rm -rf "$work"' EXIT
start_app "$work/app"
add_printer rx2 brimloft_rx2p
start_cupsd "$work/cups"
lpadmin -p receipts -E -v "ipp://localhost:$APP_PORT/ipp/print/rx2" -m everywhere

now() { date +%s%N; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
for i in $(seq "$runs"); do
  start=$(now)
  lp -d receipts -o raw "$receipt" >/dev/null
  for _ in $(seq 30000); do [ "$(ls "$APP_OUTPUT" | wc -l)" -ge "$i" ] && break; sleep 0.002; done
  wait_jobs_done rx2 60
  echo $(( ($(now) - start) / 1000000 )) >> "$work/lp"
  start=$(now)
  "$build/host/brimloft-print" -p RX2P --output "$work/engine.prn" "$receipt"
  echo $(( ($(now) - start) / 1000000 )) >> "$work/engine"
done
# The application's own time per job from its log (millisecond timestamps).
awk -F'[][]' '/Starting print job|Completed, job-impressions/ {
    split($2, t, "T"); split(t[2], hms, ":"); ms = (hms[1] * 3600 + hms[2] * 60 + hms[3]) * 1000
    if ($0 ~ /Starting/) s[$4] = ms; else print int(ms - s[$4] + 0.5) }' "$work/app/app.log" > "$work/job"
sed -nE 's/.*The engine printed the XPS document in ([0-9]+) ms.*/\1/p' "$work/app/app.log" > "$work/inside"
echo "lp to the last byte:                     $(median < "$work/lp") ms (median of $runs)"
echo "the application's job (PAPPL's log):     $(median < "$work/job") ms"
echo "  of it the engine (filter module run):  $(median < "$work/inside") ms"
echo "the engine alone (brimloft-print):       $(median < "$work/engine") ms"
