#!/usr/bin/env bash
# Configures build/ the one way that the example, the tests, the install check and CI share:
# Ninja, warnings as errors, ccache where it is installed. Run again with the same settings, it
# changes nothing and nothing is rebuilt.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -G Ninja -DBRIMLOFT_WERROR=ON "${launcher[@]}" >/dev/null
