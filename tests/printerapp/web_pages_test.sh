#!/usr/bin/env bash
# The application's web pages in a real browser: headless Chromium (a fresh profile, no network
# beyond loopback) loads the status, media, printing defaults, supplies, jobs and add-printer
# pages of a running server without avahi, keeps a screenshot of each in WORKDIR/screens (look at
# them), and finds the printer's own options on the printing defaults page.
# usage: web_pages_test.sh APP WORKDIR
set -euo pipefail
APP=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/screens"
source "$here/app_fixture.sh"
trap 'stop_app || true' EXIT
start_app "$work/app"
add_printer receipts brimloft_rx2p
status=0
browser() {  # browser ARGS...: one headless Chromium run, bounded
  timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --disable-dev-shm-usage \
    --user-data-dir="$work/profile" --window-size=1100,1000 "$@" 2>>"$work/chromium.log"
}
for page in / /receipts /receipts/media /receipts/printing /receipts/supplies /receipts/jobs /addprinter; do
  name=$(echo "${page#/}" | tr '/' '-')
  name=${name:-system}
  browser --screenshot="$work/screens/$name.png" "http://127.0.0.1:$APP_PORT$page" >/dev/null || true
  if [ "$(stat -c %s "$work/screens/$name.png" 2>/dev/null || echo 0)" -gt 5000 ]; then
    echo "ok: $page drawn ($work/screens/$name.png)"
  else
    echo "FAILED: no screenshot of $page"; status=1
  fi
done
browser --dump-dom "http://127.0.0.1:$APP_PORT/receipts/printing" > "$work/printing.html" || true
for option in brimloft-dither brimloft-cut brimloft-feed print-darkness; do
  if grep -q "$option" "$work/printing.html"; then echo "ok: the printing defaults offer $option"
  else echo "FAILED: $option is not on the printing defaults page"; status=1; fi
done
kill -0 "$APP_PID" || { echo "FAILED: the server died"; status=1; }
stop_app || status=1
exit $status
