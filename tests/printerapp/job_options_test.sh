#!/usr/bin/env bash
# The printer's options as IPP attributes, end to end: each job's paper shows its options (cut,
# dither, darkness), and a job with a value the printer lacks ends aborted with the reason in
# words in its job-state-message, losing no other job.
# usage: job_options_test.sh APP DECODE RECEIPT.xps WORKDIR
set -euo pipefail
APP=$1
DECODE=$2
receipt=$3
work=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
source "$here/app_fixture.sh"
document=$work/receipt.pdf
mutool convert -o "$document" "$receipt" >/dev/null 2>&1
trap 'stop_app || true' EXIT
start_app "$work/app"
add_printer rx1 brimloft_rx1p
uri="ipp://localhost:$APP_PORT/ipp/print/rx1"
status=0

# print NAME ATTRIBUTE-LINES...: prints the document (FORMAT and DOCUMENT in the environment, the
# PDF receipt by default) with the given ipptool ATTR lines and keeps the job's final state message
# in $work/NAME.state and its paper in $work/NAME.prn.
print() {
  local name=$1
  shift
  local before
  before=$(ls "$APP_OUTPUT" | wc -l)
  {
    printf '{\n\tNAME "%s"\n\tOPERATION Print-Job\n\tGROUP operation-attributes-tag\n' "$name"
    printf '\tATTR charset attributes-charset utf-8\n\tATTR naturalLanguage attributes-natural-language en\n'
    printf '\tATTR uri printer-uri $uri\n\tATTR name requesting-user-name $user\n'
    printf '\tATTR mimeMediaType document-format %s\n\tGROUP job-attributes-tag\n' "${FORMAT:-application/pdf}"
    for line in "$@"; do printf '\t%s\n' "$line"; done
    printf '\tFILE %s\n\tSTATUS successful-ok\n' "${DOCUMENT:-$document}"
    printf '\tDISPLAY job-id\n}\n'
  } > "$work/$name.test"
  local id
  id=$(ipptool -t -T 30 "$uri" "$work/$name.test" | sed -nE 's/.*job-id \(integer\) = ([0-9]+).*/\1/p')
  wait_jobs_done rx1 60
  ipptool -t -T 10 -d job=$id "$uri" "$here/job-state.test" > "$work/$name.state" || true
  if [ "$(ls "$APP_OUTPUT" | wc -l)" -gt "$before" ]; then
    cp "$(ls -t "$APP_OUTPUT"/*.prn | head -1)" "$work/$name.prn"
    "$DECODE" "$work/$name.prn" > "$work/$name.decoded"
  fi
}
expect() {  # expect FILE PATTERN WHY
  if grep -qE "$2" "$1"; then echo "ok: $3"; else echo "FAILED: $3"; cat "$1"; status=1; fi
}

print plain
print no-cut "ATTR keyword brimloft-cut none"
print partial "ATTR keyword brimloft-cut partial"
print diffused "ATTR keyword brimloft-dither error-diffusion"
print darkest "ATTR integer print-darkness 100"
print bad-dither "ATTR keyword brimloft-dither sparkle"
print after-bad
# An XPS page on a custom length: 54 x 50 mm is 399 rows, whatever the page's own size.
FORMAT=application/vnd.ms-xpsdocument DOCUMENT=$receipt print xps-custom-length \
  "ATTR collection media-col {" "MEMBER collection media-size {" \
  "MEMBER integer x-dimension 5400" "MEMBER integer y-dimension 5000" "}" "}"

expect "$work/plain.decoded" 'cuts: 1 \(full 1, partial 0\)' "a plain job ends with a full cut"
expect "$work/no-cut.decoded" 'cuts: 0' "brimloft-cut=none leaves the paper uncut"
expect "$work/partial.decoded" 'cuts: 1 \(full 0, partial 1\)' "brimloft-cut=partial cuts partly"
dots() { sed -nE 's/^dots: ([0-9]+).*/\1/p' "$work/$1.decoded"; }
[ "$(dots diffused)" != "$(dots plain)" ] && echo "ok: error diffusion changes the dots" ||
  { echo "FAILED: error diffusion printed the same dots as none"; status=1; }
[ "$(dots darkest)" -gt "$(dots plain)" ] && echo "ok: print-darkness 100 prints more dots" ||
  { echo "FAILED: print-darkness 100 printed no more dots ($(dots darkest) vs $(dots plain))"; status=1; }
expect "$work/bad-dither.state" 'job-state.*aborted' "an unknown dither aborts the job"
expect "$work/bad-dither.state" 'value .*sparkle.* of brimloft-dither is not supported: choose none, error-diffusion' \
  "the aborted job says why in its state message"
expect "$work/after-bad.decoded" 'cuts: 1' "the next job prints"
expect "$work/xps-custom-length.decoded" 'paper: [0-9]+ x (39[0-9]|4[01][0-9]) dots' "an XPS page takes a custom length"

# Safe by default: loopback only, no file device outside the output folder, and no listening
# beyond loopback without a password service.
if ss -ltnH "sport = :$APP_PORT" | awk '{print $4}' | grep -vqE '^(127\.0\.0\.1|\[::1\]):'; then
  echo "FAILED: the server listens beyond loopback:"; ss -ltnH "sport = :$APP_PORT"; status=1
else
  echo "ok: the server listens on loopback only"
fi
if add_printer outside brimloft_rx1p "file://$work" 2>/dev/null; then
  echo "FAILED: a file device outside the output folder was accepted"; status=1
else
  echo "ok: a file device outside the output folder is refused"
fi
if timeout 20 "$APP" server -o listen-hostname=0.0.0.0 -o server-port="$(free_port)" \
     -o spool-directory="$work/open" > "$work/open.out" 2>&1; then
  echo "FAILED: the server listened on every interface without auth-service"; status=1
else
  expect "$work/open.out" 'auth-service' "listening beyond loopback without auth-service is refused in words"
fi
exit $status
