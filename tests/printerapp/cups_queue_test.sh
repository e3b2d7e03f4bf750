#!/usr/bin/env bash
# The bundled receipt through a real CUPS queue: a private cupsd on loopback, a driverless queue
# (lpadmin -m everywhere) pointing at brimloft-printer-app, and lp of the receipt as XPS and as
# PDF (both passed through as they are, typed by the application) and, straight to the
# application, as PWG raster. Each paper must match brimloft-print's within a few dots.
# usage: cups_queue_test.sh APP BRIMLOFT_PRINT BRIMLOFT_DECODE RECEIPT.xps WORKDIR
set -euo pipefail
APP=$1
PRINT=$2
DECODE=$3
receipt=$4
work=$5
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
source "$here/app_fixture.sh"
source "$here/cups_fixture.sh"
cleanup() {
  stop_cupsd
  stop_app || true
}
trap cleanup EXIT

start_app "$work/app"
add_printer rx2 brimloft_rx2p

start_cupsd "$work/cups"
lpadmin -p receipts -E -v "ipp://localhost:$APP_PORT/ipp/print/rx2" -m everywhere

# The reference: brimloft-print's paper for the same printer and options.
"$PRINT" -p RX2P --output "$work/reference.prn" --preview "$work/reference.png" "$receipt"
mutool convert -o "$work/receipt.pdf" "$receipt" >/dev/null 2>&1
# PWG raster of the receipt in its own size on the roll: as wide as the 576-dot head.
python3 "$here/fit_to_roll.py" "$work/receipt.pdf" "$work/receipt.pwg" 576 0

status=0
check() {  # check NAME COUNT: waits for the COUNTth paper, decodes it and compares it with the reference
  local out
  for _ in $(seq 300); do
    [ "$(ls "$APP_OUTPUT" | wc -l)" -ge "$2" ] && break
    sleep 0.1
  done
  wait_jobs_done rx2 60
  out=$(ls -t "$APP_OUTPUT"/*.prn | head -1)
  cp "$out" "$work/$1.prn"
  "$DECODE" "$work/$1.prn" --png "$work/$1.png" | tail -2
  python3 "$here/compare_paper.py" "$work/reference.png" "$work/$1.png" 3 || status=1
}

echo "== lp of the receipt as XPS (raw) through the driverless queue"
lp -d receipts -o raw "$receipt" >/dev/null
check lp-xps 1
echo "== lp of the receipt as PDF (raw) through the driverless queue"
# Raw: CUPS's own PDF filter would fit the 80 mm page into the queue's default 72 x 101.6 mm roll
# and centre it, which is CUPS's composition, not the application's.
lp -d receipts -o raw "$work/receipt.pdf" >/dev/null
check lp-pdf 2
echo "== the receipt as PWG raster, straight to the application"
ipptool -q -T 30 -f "$work/receipt.pwg" -d filetype=image/pwg-raster "ipp://localhost:$APP_PORT/ipp/print/rx2" \
  print-job.test
check pwg 3
exit $status
