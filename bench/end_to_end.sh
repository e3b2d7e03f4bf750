#!/usr/bin/env bash
# Whole jobs through brimloft-print (host, module, rasterizer, printer output) against MuPDF
# rendering the same pages alone at 203 dpi (`mutool draw -q -r 203 FILE`: no -o, so every page is
# rendered into a pixmap and dropped, nothing encoded or written), the two sides interleaved run by
# run so that both see the same load on the shared machine.
#
#   bash bench/end_to_end.sh [BUILD_DIR] [RUNS]      (defaults: build, 7)
#
# The jobs: the bundled receipt and the documents of bench/documents.sh (five text pages on A4, five
# pages with colour images on US Letter, a text page 80 mm x 1 m), each printed on a printer
# description whose only medium is its page, so that both sides render the same pixels. Prints per
# job the median wall seconds of each side and their ratio (goal <= 1.3), the same for CPU seconds
# (user and system, less moved by other work on the machine), the median time from process start
# to the first byte of printer data against MuPDF's median time to render the first page alone
# (goal: within 1.5x), and the load average before and after.
# Fails when a tool or document is missing or a job does not print.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-7}
print=$build/host/brimloft-print
for tool in "$print" "$build/host/brimloft-xpspack"; do
  [[ -x $tool ]] || { echo "missing $tool: build first" >&2; exit 1; }
done
command -v mutool >/dev/null || { echo "missing mutool (Debian mupdf-tools)" >&2; exit 1; }
source "$root/bench/documents.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work  # the ticket snapshot has a fixed name: keep other jobs from sharing it
mkfifo "$work/fifo"
make_documents "$build" "$work"

# name | job | printer
jobs=(
  "receipt|$build/examples/receipt.xps|$work/receipt.xml"
  "text|$work/text.xps|$work/a4.xml"
  "images|$work/images.xps|$work/letter.xml"
  "metre|$work/metre.xps|$root/bench/data/roll-metre.xml"
)

# Microseconds since the epoch, without starting a process.
now() { echo $((${EPOCHREALTIME/./})); }
# Sets cpu to the microseconds of CPU (user and system) that the finished child processes have
# used so far; run in this shell, not in a command substitution, whose children are its own.
cpu() {
  times >"$work/times"
  local user sys
  { read -r _; read -r user sys; } <"$work/times"
  cpu=$(($(micros "$user") + $(micros "$sys")))
}
micros() {  # 1m2.345s
  local t=${1%s}
  local sec=${t#*m}
  echo $((${t%%m*} * 60000000 + 10#${sec/./} * 1000))
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %5s | %8s %8s %5s | %8s %8s %5s | %8s %8s %5s\n' job pages "print s" "mutool s" ratio \
  "print cpu" "mutool cpu" ratio "1st byte" "1st page" ratio
for entry in "${jobs[@]}"; do
  IFS='|' read -r name job printer <<<"$entry"
  [[ -f $job ]] || { echo "missing $job" >&2; exit 1; }
  # Warm the caches, make sure the job prints at all and count its pages.
  "$print" -p "$printer" --output "$work/out.prn" "$job"
  pages=$(mutool draw -r 10 -o /dev/null -F pgm "$job" 2>&1 | grep -c '^page ' || true)
  ((pages > 0)) || { echo "mutool renders no page of $job" >&2; exit 1; }
  prints=() renders=() printCpus=() renderCpus=() firstBytes=() firstPages=()
  for ((i = 0; i < runs; i++)); do
    # Whole jobs: each side one process on its own, so that the CPU time is the process's only.
    cpu && c0=$cpu t0=$(now)
    "$print" -p "$printer" --output /dev/null "$job"
    t1=$(now) && cpu && c1=$cpu
    mutool draw -q -r 203 "$job" 2>/dev/null
    t2=$(now) && cpu && c2=$cpu
    # The first byte: the printer data goes through a named pipe to a reader that notes when it
    # arrives. The reader is started before the clock, so that neither its shell nor head and cat
    # (about 25 ms of CPU here) count to the print side; that is also why the CPU time above comes
    # from a run of its own.
    { head -c 1 >/dev/null; now >"$work/first"; cat >/dev/null; } <"$work/fifo" &
    t3=$(now)
    "$print" -p "$printer" "$job" >"$work/fifo"
    wait $!
    tFirst=$(<"$work/first")
    t4=$(now)
    mutool draw -q -r 203 "$job" 1 2>/dev/null
    t5=$(now)
    prints+=($((t1 - t0))) renders+=($((t2 - t1))) firstBytes+=($((tFirst - t3))) firstPages+=($((t5 - t4)))
    printCpus+=($((c1 - c0))) renderCpus+=($((c2 - c1)))
  done
  awk -v n="$name" -v p="$pages" -v a="$(median "${prints[@]}")" -v b="$(median "${renders[@]}")" \
    -v c="$(median "${printCpus[@]}")" -v d="$(median "${renderCpus[@]}")" \
    -v e="$(median "${firstBytes[@]}")" -v f="$(median "${firstPages[@]}")" 'BEGIN {
    printf "%-8s %5d | %8.3f %8.3f %5.2f | %9.3f %10.3f %5.2f | %8.3f %8.3f %5.2f\n",
      n, p, a / 1e6, b / 1e6, a / b, c / 1e6, d / 1e6, c / d, e / 1e6, f / 1e6, e / f }'
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "(medians of $runs interleaved runs; ratio = brimloft-print / mutool draw; goals 1.3 for the whole job and"
echo " 1.5 for the first byte against MuPDF rendering the first page alone; cpu = user + system seconds)"
