#!/usr/bin/env bash
# Long pages through brimloft-print against MuPDF rendering the same page alone at 203 dpi, in the
# same run: a 1.2 m receipt page and landscape banners of 5, 10 and 20 m (printed on the 576-dot
# head, no media size chosen, so each page keeps its own proportions). Prints wall time and peak
# memory of both sides; the printer's peak must not grow with the banner's length.
#
#   bash bench/long_pages.sh [BUILD_DIR] [RUNS]      (defaults: build, 3; the median run is shown)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-3}
print=$build/host/brimloft-print
pack=$build/host/brimloft-xpspack
for tool in "$print" "$pack" /usr/bin/time; do [[ -x $tool ]] || { echo "missing $tool" >&2; exit 1; }; done
command -v mutool >/dev/null || { echo "missing mutool (Debian mupdf-tools)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# job NAME WIDTH HEIGHT LANDSCAPE: a page of WIDTH x HEIGHT (1/96 inch) with a bar along its length
# and text at both ends, packed into $work/NAME.xps.
job() {
  local name=$1 w=$2 h=$3 landscape=$4 dir=$work/$1
  mkdir -p "$dir/_rels" "$dir/Documents/1/Pages/_rels"
  cp "$root/examples/landscape/[Content_Types].xml" "$dir/"
  cp "$root/examples/landscape/_rels/.rels" "$dir/_rels/"
  cp "$root/examples/landscape/FixedDocumentSequence.fdseq" "$dir/"
  cp "$root/examples/landscape/Documents/1/FixedDocument.fdoc" "$dir/Documents/1/"
  local bar
  if [[ $landscape == yes ]]; then
    cp "$root/examples/landscape/Documents/1/Pages/Page_PT.xml" "$dir/Documents/1/Pages/"
    cp "$root/examples/landscape/Documents/1/Pages/_rels/1.fpage.rels" "$dir/Documents/1/Pages/_rels/"
    bar="M 0,100 L $w,100 $w,140 0,140 Z"
  else
    sed '/printticket/d' "$root/examples/landscape/Documents/1/Pages/_rels/1.fpage.rels" \
      > "$dir/Documents/1/Pages/_rels/1.fpage.rels"
    bar="M 100,0 L 140,0 140,$h 100,$h Z"
  fi
  cat > "$dir/Documents/1/Pages/1.fpage" <<PAGE
<FixedPage xmlns="http://schemas.microsoft.com/xps/2005/06" xml:lang="en" Width="$w" Height="$h">
  <Path Data="$bar" Fill="#FF000000"/>
  <Glyphs Fill="#FF000000" FontUri="/Resources/Fonts/DejaVuSansMono.ttf" FontRenderingEmSize="28" OriginX="20" OriginY="60" UnicodeString="START"/>
  <Glyphs Fill="#FF000000" FontUri="/Resources/Fonts/DejaVuSansMono.ttf" FontRenderingEmSize="28" OriginX="$(awk "BEGIN{print $w-120}")" OriginY="$(awk "BEGIN{print $h-20}")" UnicodeString="END"/>
</FixedPage>
PAGE
  "$pack" --part /Resources/Fonts/DejaVuSansMono.ttf=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf \
    "$dir" "$work/$name.xps"
}

mm() { awk "BEGIN{printf \"%.2f\", $1 / 25.4 * 96}"; }
job receipt-1.2m "$(mm 72)" "$(mm 1200)" no
job banner-5m "$(mm 5000)" "$(mm 72)" yes
job banner-10m "$(mm 10000)" "$(mm 72)" yes
job banner-20m "$(mm 20000)" "$(mm 72)" yes

# measure CMD...: prints "seconds kilobytes" of one run.
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  cat "$work/time"
}
median() { sort -n | awk '{a[NR]=$0} END{print a[int((NR+1)/2)]}'; }

printf '%-14s %10s %10s %10s %10s %7s\n' job print-s print-MiB mupdf-s mupdf-MiB ratio
for name in receipt-1.2m banner-5m banner-10m banner-20m; do
  : > "$work/p"; : > "$work/m"
  for ((i = 0; i < runs; i++)); do
    measure "$print" -p RX2P --output "$work/out.prn" "$work/$name.xps" >> "$work/p"
    measure mutool draw -q -r 203 "$work/$name.xps" >> "$work/m"
  done
  read -r ps pk < <(median < "$work/p")
  read -r ms mk < <(median < "$work/m")
  printf '%-14s %10s %10.1f %10s %10.1f %7.2f\n' "$name" "$ps" "$(awk "BEGIN{print $pk/1024}")" "$ms" \
    "$(awk "BEGIN{print $mk/1024}")" "$(awk "BEGIN{print $ps/$ms}")"
done
