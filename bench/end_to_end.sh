#!/usr/bin/env bash
# Pages per second of whole jobs through brimloft-print (host, module, rasterizer, printer output)
# against rendering the same pages alone with `mutool draw` at 203 dpi, timed in the same run.
#
#   bash bench/end_to_end.sh [BUILD_DIR] [RUNS]      (defaults: build, 20)
#
# Prints one line per job: pages/s of each side and the ratio print time / render time (goal <= 1.3).
# Fails when a tool or job is missing or a job does not print.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-20}
print=$build/host/brimloft-print
pack=$build/host/brimloft-xpspack
fonts=/usr/share/fonts/truetype/dejavu
for tool in "$print" "$pack"; do
  [[ -x $tool ]] || { echo "missing $tool: build first" >&2; exit 1; }
done
command -v mutool >/dev/null || { echo "missing mutool (Debian mupdf-tools)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work  # the ticket snapshot has a fixed name: keep other jobs from sharing it

# The metre-long page, packed the way the bundled examples are.
"$pack" --part /Resources/Fonts/DejaVuSansMono.ttf=$fonts/DejaVuSansMono.ttf \
  "$root/bench/data/metre" "$work/metre.xps"

# name | job | printer
jobs=(
  "receipt|$build/examples/receipt.xps|RX2P"
  "metre|$work/metre.xps|$root/bench/data/roll-metre.xml"
)

now() { date +%s%N; }

# Seconds for $runs runs of the command, the two sides interleaved run by run so that both see
# the same machine load.
printf '%-8s %6s %12s %12s %8s\n' job pages "print p/s" "render p/s" ratio
for entry in "${jobs[@]}"; do
  IFS='|' read -r name job printer <<<"$entry"
  [[ -f $job ]] || { echo "missing $job" >&2; exit 1; }
  # Warm the caches, make sure the job prints at all and count its pages.
  "$print" -p "$printer" --output "$work/out.prn" "$job"
  pages=$(mutool draw -r 203 -o /dev/null "$job" 2>&1 | grep -c '^page ' || true)
  ((pages > 0)) || { echo "mutool renders no page of $job" >&2; exit 1; }
  printNs=0 renderNs=0
  for ((i = 0; i < runs; i++)); do
    t0=$(now)
    "$print" -p "$printer" --output "$work/out.prn" "$job"
    t1=$(now)
    mutool draw -q -r 203 -o /dev/null "$job" 2>/dev/null
    t2=$(now)
    printNs=$((printNs + t1 - t0))
    renderNs=$((renderNs + t2 - t1))
  done
  awk -v n="$name" -v p="$pages" -v r="$runs" -v a="$printNs" -v b="$renderNs" 'BEGIN {
    printf "%-8s %6d %12.1f %12.1f %8.2f\n", n, p, p * r / (a / 1e9), p * r / (b / 1e9), a / b }'
done
