#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 20) from its checked-in
# seed corpus. Any crash, leak, out-of-memory or timeout fails the script; new inputs go to a
# scratch folder, never into the checked-in corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
source scripts/sanitizer-options.sh
bash scripts/configure-clang.sh build-asan address,undefined
cmake --build build-asan -j"$(nproc)" --target brimloft_fuzzers
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
for fuzzer in build-asan/fuzz/fuzz_*; do
  name="$(basename "$fuzzer")"
  target="${name#fuzz_}"
  mkdir -p "$scratch/$target"
  echo "== $name for ${seconds}s"
  status=0
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$scratch/" "$scratch/$target" "fuzz/corpus/$target" >"$scratch/$name.log" 2>&1 || status=$?
  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|new_units_added|peak_rss_mb)|ERROR|SUMMARY' "$scratch/$name.log" || true
  if [[ "$status" -ne 0 ]]; then
    tail -n 40 "$scratch/$name.log" >&2
    echo "$name failed ($status); the input is in $scratch" >&2
    trap - EXIT
    exit 1
  fi
done
