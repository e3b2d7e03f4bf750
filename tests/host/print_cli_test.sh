#!/usr/bin/env bash
# brimloft-print from the outside: usage, clear errors for bad jobs, exit codes, no crash.
# usage: print_cli_test.sh BRIMLOFT_PRINT EXAMPLES_DIR SAMPLES_DIR FAKE_FILTER_MODULE BRIMLOFT_TRACEFMT
set -u
print=$1 examples=$2 samples=$3 fake=$4 tracefmt=$5
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0

# expect NAME STATUS PATTERN -- command...: the status must match and stderr must hold PATTERN.
expect() {
  local name=$1 status=$2 pattern=$3
  shift 4
  "$@" >"$scratch/out" 2>"$scratch/err" </dev/null
  local got=$?
  if [ "$got" -eq "$status" ] && { [ -z "$pattern" ] || grep -q -- "$pattern" "$scratch/err" "$scratch/out"; }; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name: exit $got (want $status), output:"
    cat "$scratch/out" "$scratch/err" | head -5
  fi
}

# check NAME CONDITION...: counts one result.
check() {
  local name=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

head -c 5000 "$samples/testPPT.xps" >"$scratch/truncated.xps"
printf 'plain words, no zip\n' >"$scratch/words.xps"
: >"$scratch/empty.xps"

expect help 0 "usage: brimloft-print" -- "$print" --help
expect version 0 "brimloft-print 1" -- "$print" --version
expect no-job 2 "no XPS job given" -- "$print" --output "$scratch/o.bin"
expect two-jobs 2 "more than one XPS job" -- "$print" --output "$scratch/o.bin" a.xps b.xps
expect bad-flag 2 "unknown option --frobnicate" -- "$print" --frobnicate x.xps
expect bad-pair 2 "not of the form NAME=VALUE" -- "$print" -o QVDither x.xps
expect missing-value 2 "needs a value" -- "$print" x.xps --output
expect preview-needs-output 2 "needs --output" -- "$print" --preview "$scratch/p.png" x.xps
expect missing 1 "no such file" -- "$print" --output "$scratch/o.bin" "$scratch/absent.xps"
expect truncated 1 "damaged or truncated\|not a ZIP" -- "$print" --output "$scratch/o.bin" "$scratch/truncated.xps"
expect not-zip 1 "not a ZIP package" -- "$print" --output "$scratch/o.bin" "$scratch/words.xps"
expect empty 1 "not a ZIP package\|damaged" -- "$print" --output "$scratch/o.bin" "$scratch/empty.xps"
expect bad-printer 1 "no variant code" -- "$print" -p RX9Z --output "$scratch/o.bin" "$examples/receipt.xps"
expect bad-feature 1 "no feature QVDitter; did you mean QVDither? (its features: .*QVCutType" -- \
  "$print" -o QVDitter=None --output "$scratch/o.bin" "$examples/receipt.xps"
expect bad-value 1 "no value Floyd; did you mean FloydSteinberg? (its values: None, FloydSteinberg, 2x2, 4x4)" -- \
  "$print" -o QVDither=Floyd --output "$scratch/o.bin" "$examples/receipt.xps"
expect bad-output 1 "cannot open the output" -- "$print" --output "$scratch/no/such/dir/o.bin" "$examples/receipt.xps"

# Jobs of the test's own, made from the examples (in one Python run: it is slow to start). A page
# MuPDF cannot read (an element name it does not take, well-formed XML for everyone else); a page
# whose image is no image, drawn four times, with three arcs that lack their size (MuPDF counts
# such repeats itself); a package whose page does not inflate; the landscape example's page ticket
# with a prefix of its own, as it is and turned to Portrait.
page=Documents/1/Pages/1.fpage
ticket=Documents/1/Pages/Page_PT.xml
python3 - "$examples" "$scratch" "$page" "$ticket" <<'PYTHON'
import sys, zipfile
examples, scratch, page, ticket = sys.argv[1:5]

def variant(source, out, part, change):
    """OUT is SOURCE with PART changed; the other parts as they are, stored (packing fonts is slow)."""
    with zipfile.ZipFile(source) as src, zipfile.ZipFile(out, "w") as dst:
        for item in src.infolist():
            b = src.read(item)
            item.compress_type = zipfile.ZIP_STORED
            dst.writestr(item, change(b) if item.filename == part else b)

receipt, landscape = examples + "/receipt.xps", examples + "/landscape.xps"
variant(receipt, scratch + "/rejected.xps", page,
        lambda b: b.replace(b"</FixedPage>", "<Canvas><Canvas.Résumé/></Canvas></FixedPage>".encode()))
variant(receipt, scratch + "/bad-image.xps", "Resources/Images/logo.png", lambda b: b"this is no PNG image")
brush = (b'<Path Data="M 0,0 L 9,0 9,9 Z"><Path.Fill><ImageBrush ImageSource="/Resources/Images/logo.png" '
         b'Viewbox="0,0,96,48" ViewboxUnits="Absolute" Viewport="0,0,9,9" ViewportUnits="Absolute"/></Path.Fill></Path>')
arc = (b'<Path Stroke="#FF000000"><Path.Data><PathGeometry><PathFigure StartPoint="1,1"><ArcSegment/>'
       b'</PathFigure></PathGeometry></Path.Data></Path>')
variant(scratch + "/bad-image.xps", scratch + "/warned.xps", page,
        lambda b: b.replace(b"</FixedPage>", brush * 3 + arc * 3 + b"</FixedPage>"))
variant(landscape, scratch + "/own-prefix.xps", ticket,
        lambda b: b.replace(b"xmlns:psk=", b"xmlns:k=").replace(b"psk:", b"k:"))
variant(scratch + "/own-prefix.xps", scratch + "/portrait.xps", ticket, lambda b: b.replace(b"k:Landscape", b"k:Portrait"))

data = bytearray(open(receipt, "rb").read())
info = zipfile.ZipFile(receipt).getinfo(page)
start = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
for i in range(start + 16, start + info.compress_size - 16):
    data[i] ^= 0x5A
open(scratch + "/corrupt.xps", "wb").write(data)
PYTHON

expect corrupt-zip 1 "failed on page 1 of 1 (/$page of .*corrupt.xps): StartOperation returned HRESULT_FROM_WIN32(ERROR_INVALID_DATA) (0x8007000D): .*part /$page is damaged: [A-Za-z]" -- \
  "$print" --output "$scratch/o.bin" "$scratch/corrupt.xps"
expect renderer-rejects 1 "failed on page 1 of 1 (/$page of .*rejected.xps): StartOperation returned XPS_E_INVALID_MARKUP (0x8052000C): the renderer says: syntax error after element name; .*o.bin is not written" -- \
  "$print" --output "$scratch/o.bin" "$scratch/rejected.xps"
# Said once each, with the page and the count, recorded in the trace, and nothing but the tool's
# own lines on standard error.
expect renderer-warns 0 "" -- "$print" --trace "$scratch/warned.trace" --output "$scratch/warned.bin" "$scratch/warned.xps"
check renderer-warning-once [ "$(grep -cx 'brimloft-print: page 1: warning: cannot decode image resource (4 times)' "$scratch/err")" -eq 1 ]
check renderer-repeats-counted [ "$(grep -cx 'brimloft-print: page 1: warning: ArcSegment element is missing attributes (6 times)' "$scratch/err")" -eq 1 ]
check renderer-error-once [ "$(grep -cx 'brimloft-print: page 1: error: unknown image file format (4 times)' "$scratch/err")" -eq 1 ]
check renderer-nothing-unprefixed [ "$(grep -cv '^brimloft-print: ' "$scratch/err")" -eq 0 ]
check renderer-traced grep -q "renderer 10 Page 1 (/$page): the renderer's warning: cannot decode image resource (4 times)" \
  <("$tracefmt" "$scratch/warned.trace")
expect renderer-warns-once 0 "" -- "$print" --output "$scratch/warned.bin" "$scratch/bad-image.xps"
check renderer-single-has-no-count grep -qx 'brimloft-print: page 1: warning: cannot decode image resource' "$scratch/err"

# -o wins over the job's own tickets as with lp -o: the example's page ticket asks for Landscape
# (here with a prefix of its own); -o PageOrientation=Portrait prints what a Portrait ticket prints.
"$print" --output "$scratch/landscape.bin" "$scratch/own-prefix.xps" 2>/dev/null
"$print" -o PageOrientation=Portrait --output "$scratch/overridden.bin" "$scratch/own-prefix.xps" 2>/dev/null
"$print" --output "$scratch/portrait.bin" "$scratch/portrait.xps" 2>/dev/null
check option-over-page-ticket cmp -s "$scratch/overridden.bin" "$scratch/portrait.bin"
differ() { ! cmp -s "$1" "$2"; }
check page-ticket-without-option differ "$scratch/landscape.bin" "$scratch/portrait.bin"

# left_as_it_was STATUS WANT: the job ended with WANT (1 by default) and the existing output is
# untouched, with no temporary file beside it.
left_as_it_was() {
  [ "$1" -eq "${2:-1}" ] && [ "$(cat "$scratch/kept/out.bin")" = "keep me" ] && [ "$(ls -A "$scratch/kept")" = out.bin ]
}
# kept NAME -- command...: the command fails and leaves the existing output as it was.
kept() {
  local name=$1
  shift 2
  mkdir -p "$scratch/kept" && printf 'keep me' >"$scratch/kept/out.bin"
  "$@" >/dev/null 2>&1 </dev/null
  check "$name" left_as_it_was $?
}
kept kept-bad-job -- "$print" --output "$scratch/kept/out.bin" "$scratch/words.xps"
kept kept-bad-value -- "$print" -o QVDither=Foo --output "$scratch/kept/out.bin" "$examples/receipt.xps"
kept kept-missing-input -- "$print" --output "$scratch/kept/out.bin" "$scratch/absent.xps"
kept kept-page-2-fails -- env BRIMLOFT_MODULE="$fake" BRIMLOFT_FAKE_FAIL=80004005 \
  "$print" --output "$scratch/kept/out.bin" "$samples/testPPT.xps"

# The job through a stand-in filter: the output, a failing job, a full disk, Ctrl-C.
export BRIMLOFT_MODULE=$fake
expect fake-job 0 "" -- "$print" --output "$scratch/fake.bin" "$samples/testPPT.xps"
check fake-output [ "$(cat "$scratch/fake.bin")" = "$(printf 'page 1\npage 2\npage 3')" ]
"$print" "$samples/testPPT.xps" >"$scratch/piped.bin" 2>/dev/null
check piped-output [ "$(cat "$scratch/piped.bin")" = "$(printf 'page 1\npage 2\npage 3')" ]

# Standard output and a network printer (a listener of the test's own on 127.0.0.1, gone within
# 20 s whatever happens) get the same bytes as the file; once it has gone, the printer is unreachable.
expect dash-output 0 "" -- "$print" --output - "$samples/testPPT.xps"
check dash-bytes cmp -s "$scratch/out" "$scratch/fake.bin"
timeout 20 python3 -c '
import socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(1)
print(server.getsockname()[1], flush=True)
peer, _ = server.accept()
with open(sys.argv[1], "wb") as received:
    while data := peer.recv(65536):
        received.write(data)
' "$scratch/received.bin" >"$scratch/port" &
listener=$!
for _ in $(seq 1 100); do
  [ -s "$scratch/port" ] && break
  sleep 0.05
done
port=$(cat "$scratch/port")
expect socket-output 0 "" -- "$print" --output "socket://127.0.0.1:$port" "$samples/testPPT.xps"
wait "$listener"
check socket-bytes cmp -s "$scratch/received.bin" "$scratch/fake.bin"
expect socket-unreachable 1 "socket://127.0.0.1:$port: cannot reach the printer: Connection refused" -- \
  "$print" --output "socket://127.0.0.1:$port" "$samples/testPPT.xps"

BRIMLOFT_FAKE_FAIL=80070005 expect fake-failure 1 \
  "failed on page 2 of 3 (/Documents/1/Pages/2.fpage of .*): StartOperation returned E_ACCESSDENIED (0x80070005)" -- \
  "$print" --output "$scratch/fail.bin" "$samples/testPPT.xps"
expect disk-full 1 "No space left on device" -- "$print" --output /dev/full "$samples/testPPT.xps"
expect no-module 1 "loading the filter module" -- env BRIMLOFT_MODULE="$scratch/none.so" \
  "$print" --output "$scratch/o.bin" "$samples/testPPT.xps"

# Stopped: a device or pipe keeps what it got (here standard output), a file is left as it was.
printf 'keep me' >"$scratch/kept/out.bin"
BRIMLOFT_FAKE_PAGE_MS=400 "$print" --output "$scratch/kept/out.bin" "$samples/testPPT.xps" 2>/dev/null &
file_job=$!
BRIMLOFT_FAKE_PAGE_MS=400 "$print" "$samples/testPPT.xps" >"$scratch/stopped.bin" 2>"$scratch/err" &
job=$!
sleep 0.6
kill -INT "$job" "$file_job"
wait "$file_job"
check interrupt-file-kept left_as_it_was $? 130
wait "$job"
status=$?
check interrupt-status [ "$status" -eq 130 ]
check interrupt-output [ "$(tail -n 1 "$scratch/stopped.bin")" = "stopped" ]
check interrupt-message grep -q "stopping the job" "$scratch/err"
unset BRIMLOFT_MODULE

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
