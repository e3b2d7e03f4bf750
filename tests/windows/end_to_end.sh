#!/usr/bin/env bash
# Whole jobs through the real Windows DLL under Wine, byte for byte against the Linux build.
# For each job below, the Linux build prints it while recording everything its filter is handed
# (tests/windows/recorder), and its bytes are checked against brimloft-print's; then the Windows
# test host (tests/windows/replay) hands the DLL the same under Wine and compares the bytes.
# Usage: end_to_end.sh LINUX_BUILD WINDOWS_BUILD WINE
set -euo pipefail
linux=$1 windows=$2 wine=$3
records=$windows/end-to-end
rm -rf "$records"
mkdir -p "$records"

# label, example, printer, options: the three examples on two heads or more; continuous and page by
# page; band and raster; every dither; landscape by ticket and by option; each cut type.
jobs=(
  "receipt-576|receipt|RX2P|"
  "receipt-832-raster|receipt|RX3Q|QVPrintType=Horizontal QVDither=FloydSteinberg QVCutType=P"
  "receipt-432-2x2|receipt|RX1P|QVDither=2x2 QVBright=forte QVPrintContinuous=S"
  "receipt-576-landscape|receipt|RX2Q|PageOrientation=Landscape QVDither=4x4 QVCutType=S"
  "two-documents-832-continuous|two-documents|RX3P|QVPrintContinuous=S QVDither=4x4"
  "two-documents-432-raster|two-documents|RX1Q|QVPrintType=Horizontal QVCutType=S QVBright=fraco"
  "two-documents-576-diffusion|two-documents|RX2P|QVDither=FloydSteinberg QVBright=mforte"
  "landscape-432-diffusion|landscape|RX1P|QVDither=FloydSteinberg"
  "landscape-832-raster|landscape|RX3P|QVPrintType=Horizontal QVDither=2x2 QVPrintContinuous=S QVCutType=P"
  "landscape-576|landscape|RX2Q|QVBright=mfraco"
)

files=()
for job in "${jobs[@]}"; do
  IFS='|' read -r label example printer options <<<"$job"
  xps=$linux/examples/$example.xps
  read -ra pairs <<<"$options"
  "$linux/tests/brimloft-record-job" "$linux/brimloft_filter.so" "$label" "$records/$label.job" "$xps" "$printer" \
    "${pairs[@]}" >/dev/null
  # The recording host must print what users get from brimloft-print, byte for byte.
  print_options=()
  for pair in "${pairs[@]}"; do print_options+=(-o "$pair"); done
  "$linux/host/brimloft-print" -p "$printer" "${print_options[@]}" --output "$records/$label.prn" "$xps" 2>/dev/null
  if ! tail -c "$(stat -c %s "$records/$label.prn")" "$records/$label.job" | cmp -s - "$records/$label.prn"; then
    echo "windows end-to-end: $label: the recorded job printed other bytes than brimloft-print" >&2
    exit 1
  fi
  files+=("end-to-end/$label.job")
done

# The test's prntvpt.dll beside the host is the one the DLL must bind.
cd "$windows"
WINEDLLOVERRIDES="mscoree,mshtml=;prntvpt=n" "$wine" ./replay_host.exe brimloft_filter.dll "${files[@]}"
