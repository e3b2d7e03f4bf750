#!/usr/bin/env bash
# A bounded storm on loopback: CLIENTS clients at once each print ROUNDS jobs (XPS, PDF and PWG
# raster) and create-and-cancel every third, while another client opens every web page, the
# add-printer page among them, with no avahi daemon. Afterwards the server must still run, every
# printed job must have completed and left its paper, and the server must stop without a fault.
# usage: job_storm_test.sh APP RECEIPT.xps WORKDIR [CLIENTS ROUNDS]
set -euo pipefail
APP=$1
receipt=$2
work=$3
clients=${4:-4}
rounds=${5:-6}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/docs"
source "$here/app_fixture.sh"
trap 'stop_app || true' EXIT
start_app "$work/app"
add_printer rx2 brimloft_rx2p
add_printer rx3 brimloft_rx3q
cp "$receipt" "$work/docs/receipt.xps"
mutool convert -o "$work/docs/receipt.pdf" "$receipt" >/dev/null 2>&1
python3 "$here/fit_to_roll.py" "$work/docs/receipt.pdf" "$work/docs/receipt.pwg" 575 812
formats=(application/oxps application/pdf image/pwg-raster)
files=(receipt.xps receipt.pdf receipt.pwg)

client() {  # client N: its printed job ids go to $work/printed.N
  local n=$1 i k printer uri
  for i in $(seq "$rounds"); do
    k=$(( (n + i) % 3 ))
    printer=$([ $(( (n + i) % 2 )) -eq 0 ] && echo rx2 || echo rx3)
    uri="ipp://localhost:$APP_PORT/ipp/print/$printer"
    if [ $(( i % 3 )) -eq 0 ]; then
      timeout 60 ipptool -t -T 20 -d file="$work/docs/${files[$k]}" -d format="${formats[$k]}" \
        "$uri" "$here/storm-cancel.test" > "$work/cancel.$n.$i" ||
        { echo "client $n: create-and-cancel of ${files[$k]} failed:" >> "$work/errors";
          grep -E 'status|EXPECTED|\[FAIL' "$work/cancel.$n.$i" >> "$work/errors" || true; }
    else
      if timeout 60 ipptool -t -T 20 -d file="$work/docs/${files[$k]}" -d format="${formats[$k]}" \
        "$uri" "$here/storm-print.test" > "$work/print.$n.$i"; then
        # A busy answer (raster streams only to an idle printer) names a job of its own: the last id
        # is the one that was accepted.
        sed -nE "s/.*job-id \(integer\) = ([0-9]+).*/$printer \1/p" "$work/print.$n.$i" | tail -1 >> "$work/printed.$n"
      else
        echo "client $n: print of ${files[$k]} failed:" >> "$work/errors"
        grep -E 'status|EXPECTED' "$work/print.$n.$i" >> "$work/errors" || true
      fi
    fi
  done
}
pages() {
  local i p
  for i in $(seq "$rounds"); do
    for p in / /addprinter /logs /rx2 /rx2/config /rx2/media /rx2/printing /rx2/supplies /rx2/jobs /rx3/media; do
      curl -s -o /dev/null --max-time 10 "http://127.0.0.1:$APP_PORT$p" || echo "page $p failed" >> "$work/errors"
    done
  done
}

start=$(date +%s.%N)
storm=()
for n in $(seq "$clients"); do client "$n" & storm+=($!); done
pages &
storm+=($!)
wait "${storm[@]}"  # not the server, which is a child too
wait_jobs_done rx2 120
wait_jobs_done rx3 120
echo "storm of $clients clients x $rounds jobs took $(echo "$(date +%s.%N) - $start" | bc) s"

status=0
kill -0 "$APP_PID" || { echo "FAILED: the server died"; status=1; }
[ -s "$work/errors" ] && { echo "FAILED: requests failed:"; cat "$work/errors"; status=1; }
printed=$(cat "$work"/printed.* | wc -l)
expected=$(( clients * (rounds - rounds / 3) ))
[ "$printed" -eq "$expected" ] || { echo "FAILED: $printed of $expected print jobs were accepted"; status=1; }
completed=0
while read -r printer id; do
  if ipptool -t -T 10 -d job="$id" "ipp://localhost:$APP_PORT/ipp/print/$printer" "$here/job-state.test" |
     grep -q 'job-state (enum) = completed'; then
    completed=$((completed + 1))
  else
    echo "FAILED: job $id on $printer did not complete:"
    ipptool -t -T 10 -d job="$id" "ipp://localhost:$APP_PORT/ipp/print/$printer" "$here/job-state.test" | grep job-state
    status=1
  fi
done < <(cat "$work"/printed.*)
papers=$(ls "$APP_OUTPUT" | wc -l)
echo "accepted $printed print jobs, $completed completed, $papers papers written (cancelled jobs may add some)"
[ "$papers" -ge "$completed" ] || { echo "FAILED: fewer papers than completed jobs"; status=1; }
stop_app || status=1
exit $status
