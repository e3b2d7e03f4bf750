#!/usr/bin/env bash
# Makes a copy of CUPS's ipptool test folder in which the IPP 2.0 and IPP Everywhere tests can run:
# the sample documents they name (Debian ships none; ipptool stops at the first missing one), and
# the print groups of 150 dpi copied for 203 dpi, the printer's only resolution, so that printing
# is tested rather than skipped.
#
# usage: make_test_folder.sh FOLDER
# The 203-dpi samples are real PWG raster (Ghostscript's pwgraster device, sgray_8, the type the
# printer takes); the samples of other resolutions and raster types are empty stand-ins, whose
# groups ipptool skips because the printer offers neither.
set -euo pipefail
out=$1
src=/usr/share/cups/ipptool
mkdir -p "$out"
cp "$src"/ipp-1.1.test "$src"/ipp-2.0.test "$out"/
cd "$out"

# A page of text and lines as PostScript, for the PDF, PostScript and raster samples.
page() {  # $1 width in points, $2 height in points, $3 pages
  printf '%%!PS-Adobe-3.0\n%%%%BoundingBox: 0 0 %s %s\n' "$1" "$2"
  printf '<< /PageSize [%s %s] >> setpagedevice\n' "$1" "$2"
  for p in $(seq "$3"); do
    printf '/Helvetica findfont 28 scalefont setfont 40 %s moveto (Test page %s) show\n' "$(( $2 - 80 ))" "$p"
    printf '4 setlinewidth 40 %s moveto %s %s lineto stroke\n' "$(( $2 - 100 ))" "$(( $1 - 40 ))" "$(( $2 - 100 ))"
    printf '0.5 setgray 40 60 %s %s rectfill showpage\n' "$(( $1 - 80 ))" "$(( $2 / 3 ))"
  done
}
page 595 842 2 > document-a4.ps
page 612 792 2 > document-letter.ps
page 595 842 1 > onepage-a4.ps
page 612 792 1 > onepage-letter.ps
gs_run() { gs -q -dNOPAUSE -dBATCH -dSAFER "$@" 2>/dev/null; }
gs_run -sDEVICE=pdfwrite -o document-a4.pdf document-a4.ps
gs_run -sDEVICE=pdfwrite -o document-letter.pdf document-letter.ps
page 288 432 1 > photo-4x6.ps
gs_run -sDEVICE=jpeg -r100 -o color.jpg photo-4x6.ps
gs_run -sDEVICE=jpeggray -r100 -o gray.jpg photo-4x6.ps

# The raster samples the tests name: 203 dpi sgray_8 for real, the others as stand-ins.
for dpi in 150 180 203 300 360 600 720; do
  for type in black-1 cmyk-8 sgray-8 srgb-8 srgb-16; do
    mkdir -p "pwg-raster-samples-${dpi}dpi/$type"
    for doc in color.jpg-4x6 gray.jpg-4x6 document-a4 document-letter onepage-a4 onepage-letter; do
      : > "pwg-raster-samples-${dpi}dpi/$type/$doc-$type-${dpi}dpi.pwg"
    done
  done
done
mkdir -p pwg-raster-samples-203dpi/sgray-8
for doc in document-a4 document-letter onepage-a4 onepage-letter photo-4x6; do
  name=$doc
  [ "$doc" = photo-4x6 ] && name=color.jpg-4x6
  gs_run -sDEVICE=pwgraster -r203 -dcupsColorSpace=18 -dcupsBitsPerColor=8 \
    -o "pwg-raster-samples-203dpi/sgray-8/$name-sgray-8-203dpi.pwg" "$doc.ps"
done
cp pwg-raster-samples-203dpi/sgray-8/color.jpg-4x6-sgray-8-203dpi.pwg \
   pwg-raster-samples-203dpi/sgray-8/gray.jpg-4x6-sgray-8-203dpi.pwg

# ipp-everywhere.test with 203 dpi detected and its 150 dpi print groups copied for 203 dpi.
awk '
  /WITH-VALUE 150dpi DEFINE-MATCH HAVE_150DPI/ {
    print; line = $0; sub(/150dpi/, "203dpi", line); sub(/HAVE_150DPI/, "HAVE_203DPI", line); print line; next
  }
  { print }
  /^\{/ { group = $0 "\n"; collecting = 1; next }
  collecting { group = group $0 "\n" }
  collecting && /^\}/ {
    collecting = 0
    if (group ~ /NAME "Print [^"]*@ 150dpi/) { gsub(/150dpi/, "203dpi", group); gsub(/HAVE_150DPI/, "HAVE_203DPI", group); extra = extra "\n" group }
  }
  END { printf "%s", extra }
' "$src/ipp-everywhere.test" > ipp-everywhere.test
grep -q 'HAVE_203DPI' ipp-everywhere.test
