#!/usr/bin/env bash
# Configures a clang build in BUILD_DIR under the sanitizers named (address,undefined or thread).
# With address,undefined it also builds the fuzz targets: one instrumented build serves the test
# suite and the fuzzers. Used by test-sanitizers.sh and fuzz.sh, so both configure alike.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="$1"
sanitizers="$2"
fuzz=OFF
[[ "$sanitizers" == address,undefined ]] && fuzz=ON
# -O1 with line tables: reports keep their source lines and the build stays quick. Warnings are not
# errors here; the plain GCC build keeps -Werror.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DBRIMLOFT_WERROR=OFF \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS="-O1 -g1" -DCMAKE_CXX_FLAGS="-O1 -g1" \
  -DBRIMLOFT_SANITIZE="$sanitizers" -DBRIMLOFT_FUZZ="$fuzz" >/dev/null
