#!/usr/bin/env bash
# Sets up the machine, builds, and prints the bundled receipt to a 576-dot printer: the printer's
# bytes go to out/receipt.prn and a picture of the paper to out/receipt.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/configure.sh
# Only what the example needs; scripts/test.sh builds the rest in the same folder.
cmake --build build -j"$(nproc)" --target brimloft-print brimloft-decode brimloft_filter brimloft_examples
mkdir -p out
build/host/brimloft-print -p RX2P -o QVDither=FloydSteinberg \
  --output out/receipt.prn --preview out/receipt.png build/examples/receipt.xps
build/host/brimloft-decode out/receipt.prn
echo "Wrote out/receipt.prn and out/receipt.png"
