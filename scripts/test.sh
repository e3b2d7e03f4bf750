#!/usr/bin/env bash
# Sets up the machine, builds everything with warnings as errors (in the same folder and with the
# same settings as scripts/run-example.sh, so what the example built is reused) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/configure.sh
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
