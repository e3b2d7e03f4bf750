#!/usr/bin/env bash
# The application's web pages in a real browser: one headless Chromium session (a fresh profile,
# no network beyond loopback) on a running server without avahi loads the status, media, printing
# defaults, supplies, jobs and add-printer pages and keeps a screenshot of each in WORKDIR/screens
# (look at them); changes the darkness and the dither on the printing defaults form, which IPP then
# reports and a restarted server keeps; and prints a test page with the printer page's button,
# which must complete and leave its paper.
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
base="http://127.0.0.1:$APP_PORT"
uri="ipp://localhost:$APP_PORT/ipp/print/receipts"
status=0

steps=()
for page in / /receipts /receipts/media /receipts/printing /receipts/supplies /receipts/jobs /addprinter; do
  name=$(echo "${page#/}" | tr '/' '-')
  steps+=(open "$base$page" shot "$work/screens/${name:-system}.png")
done
steps+=(open "$base/receipts/printing" text "$work/printing.txt"
        set print-darkness=75 set brimloft-dither=error-diffusion click "Save Changes"
        shot "$work/screens/receipts-printing-saved.png" text "$work/saved.txt"
        open "$base/receipts" click "Print Test Page" shot "$work/screens/receipts-test-page.png"
        text "$work/test-page.txt")
timeout 180 node "$here/browser.js" "$work/profile" "${steps[@]}" 2>>"$work/chromium.log" || status=1
for shot in "$work"/screens/*.png; do
  [ "$(stat -c %s "$shot")" -gt 5000 ] || { echo "FAILED: $shot is blank"; status=1; }
done

for option in brimloft-dither brimloft-cut brimloft-feed "Print Darkness"; do
  grep -q "$option" "$work/printing.txt" 2>/dev/null || { echo "FAILED: $option is not on the printing defaults page"; status=1; }
done
grep -q "Changes saved" "$work/saved.txt" 2>/dev/null || { echo "FAILED: the defaults form was not saved"; status=1; }
grep -q "Test page printed" "$work/test-page.txt" 2>/dev/null || { echo "FAILED: no test page was printed"; status=1; }
defaults() {
  ipptool -t -T 10 -d darkness=75 -d dither=error-diffusion "ipp://localhost:$APP_PORT/ipp/print/receipts" \
    "$here/printer-defaults.test" | grep -E '(darkness|dither)-|FAIL|GOT' || true
}
echo "the defaults over IPP after the form:"
defaults | tee "$work/defaults.txt"
grep -q FAIL "$work/defaults.txt" && { echo "FAILED: IPP does not report the form's defaults"; status=1; }

# The test page: a job that completes and leaves a paper.
wait_jobs_done receipts 60 || status=1
ipptool -t -T 10 -d job=1 "$uri" "$here/job-state.test" | grep -E 'job-state' | tee "$work/job.txt"
grep -q 'job-state (enum) = completed' "$work/job.txt" || { echo "FAILED: the test page did not complete"; status=1; }
papers=$(find "$APP_OUTPUT" -name '*.prn' -size +1k | wc -l)
[ "$papers" -eq 1 ] && echo "ok: the test page left its paper" || { echo "FAILED: $papers papers for the test page"; status=1; }

# The form's defaults survive a restart.
sleep 3  # the state is written once the printers have been quiet for two seconds
kill -0 "$APP_PID" || { echo "FAILED: the server died"; status=1; }
stop_app || status=1
start_app "$work/app"
echo "the defaults over IPP after a restart:"
defaults | tee "$work/defaults-restarted.txt"
grep -q FAIL "$work/defaults-restarted.txt" && { echo "FAILED: the defaults were not kept"; status=1; }
stop_app || status=1
exit $status
