#!/usr/bin/env bash
# Proves that two builds print the same bytes: every bundled job and the bench documents
# (bench/documents.sh), under each dither, brightness, print type and orientation, through both
# builds' brimloft-print.
#
#   bash bench/same_output.sh BASELINE_BUILD_DIR [BUILD_DIR]
#
# Exits 1 and names the case at the first difference (printer data or preview).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
[[ $# -ge 1 ]] || { echo "usage: $0 BASELINE_BUILD_DIR [BUILD_DIR]" >&2; exit 2; }
before=$(cd "$1" && pwd)
after=$(cd "${2:-$root/build}" && pwd)
work=$(mktemp -d)
# The filter keeps a ticket snapshot under a fixed name in the temporary folder: a private one keeps
# other jobs on the machine from changing this run's options.
export TMPDIR=$work
trap 'rm -rf "$work"' EXIT

source "$root/bench/documents.sh"
make_documents "$after" "$work"

cases=0
check() {  # job printer options...
  local job=$1 printer=$2
  shift 2
  local opts=()
  for o in "$@"; do opts+=(-o "$o"); done
  "$before/host/brimloft-print" -p "$printer" "${opts[@]}" --output "$work/a.prn" --preview "$work/a.png" "$job"
  "$after/host/brimloft-print" -p "$printer" "${opts[@]}" --output "$work/b.prn" --preview "$work/b.png" "$job"
  if ! cmp -s "$work/a.prn" "$work/b.prn" || ! cmp -s "$work/a.png" "$work/b.png"; then
    echo "DIFFERENT: $job $printer $*" >&2
    exit 1
  fi
  cases=$((cases + 1))
}

for job in "$after"/examples/*.xps; do
  for dither in None FloydSteinberg 2x2 4x4; do
    for bright in fraco normal forte; do
      for type in Vertical Horizontal; do
        check "$job" RX2P QVDither=$dither QVBright=$bright QVPrintType=$type
      done
    done
    check "$job" RX1P QVDither=$dither PageOrientation=Landscape
    check "$job" RX3Q QVDither=$dither
  done
done
for dither in None FloydSteinberg 4x4; do
  check "$work/metre.xps" "$root/bench/data/roll-metre.xml" QVDither=$dither
  check "$work/metre.xps" "$root/bench/data/roll-metre.xml" QVDither=$dither PageOrientation=Landscape
done
# The end-to-end bench jobs as it prints them, and fitted to the head.
check "$work/text.xps" "$work/a4.xml"
check "$work/images.xps" "$work/letter.xml" QVDither=FloydSteinberg
check "$work/text.xps" RX2P PageOrientation=Landscape
check "$work/images.xps" RX3Q
echo "$cases cases: same printer data and previews"
