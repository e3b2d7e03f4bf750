# The bench documents, made at run time from what Debian ships (sourced by the bench scripts).
#
#   make_documents BUILD_DIR WORK_DIR
#
# Writes into WORK_DIR: metre.xps (a text page 80 mm x 1 m, packed with brimloft-xpspack and DejaVu
# Sans Mono), text.xps (five pages of the bash manual: man -Tps, ps2pdf, Ghostscript's xpswrite, on
# A4), images.xps (five pages of a Ghostscript manual with colour images, from ghostscript-doc
# through xpswrite, on US Letter), and for the receipt, text and images a printer description
# (receipt.xml, a4.xml, letter.xml) whose only medium is the page, so that the filter renders the
# same pixels as MuPDF alone. Fails when a tool or the manual is missing.

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

make_documents() {
  local build=$1 work=$2
  local manual=/usr/share/doc/ghostscript/GS9_Color_Management.pdf
  local tool
  for tool in gs ps2pdf man; do
    command -v $tool >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)" >&2; return 1; }
  done
  [[ -f $manual ]] || { echo "missing $manual (Debian ghostscript-doc)" >&2; return 1; }

  "$build/host/brimloft-xpspack" \
    --part /Resources/Fonts/DejaVuSansMono.ttf=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf \
    "$bench_root/data/metre" "$work/metre.xps"
  man -Tps bash 2>/dev/null | ps2pdf - "$work/bash.pdf"
  xpswrite "$work/bash.pdf" 1 5 "$work/text.xps"
  xpswrite "$manual" 17 21 "$work/images.xps"

  # Media in micrometres from the pages' Width and Height (1/96 inch): the receipt 302.36 x 520,
  # xpswrite's A4 793 x 1122, its US Letter 816 x 1056.
  describe "$work/receipt.xml" 80000 137583
  describe "$work/a4.xml" 209821 296863
  describe "$work/letter.xml" 215900 279400
}

xpswrite() {  # PDF FIRST LAST OUT.xps
  gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=xpswrite -dFirstPage="$2" -dLastPage="$3" -sOutputFile="$4" "$1"
}

# An RX2P description (the metre page's, with another medium) whose only medium is WIDTH x HEIGHT
# micrometres.
describe() {  # OUT.xml WIDTH HEIGHT
  sed -e "s/Roll80x1000/Page$2x$3/g" -e "s/\"80000\"/\"$2\"/" -e "s/\"1000000\"/\"$3\"/" \
    "$bench_root/data/roll-metre.xml" >"$1"
}
