#!/usr/bin/env bash
# Every command-line tool speaks one way: --help on standard output (exit 0), --version as
# "<tool> <version>" (exit 0), a usage error and a pointer to --help on standard error (exit 2), a
# failure with its words and its result's name on standard error (exit 1), and nothing on the
# other stream.
# usage: tools_cli_test.sh VERSION TOOL_PATH...
set -u
version=$1
shift
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
declare -A path
for tool in "$@"; do path[$(basename "$tool")]=$tool; done
absent=$scratch/absent
passed=0 failed=0

# case TOOL STATUS STREAM FIRST_LINE SECOND_LINE -- ARGS...: STREAM (out or err) holds what the tool
# said, its first line matches the extended regular expression FIRST_LINE and its second
# SECOND_LINE (empty: any); the other stream is empty.
case_() {
  local tool=$1 status=$2 stream=$3 first=$4 second=$5
  shift 6
  "${path[$tool]}" "$@" >"$scratch/out" 2>"$scratch/err" </dev/null
  local got=$? other=out
  [ "$stream" = out ] && other=err
  if [ "$got" -eq "$status" ] && [ ! -s "$scratch/$other" ] &&
    head -n 1 "$scratch/$stream" | grep -qE -- "$first" &&
    { [ -z "$second" ] || sed -n 2p "$scratch/$stream" | grep -qE -- "$second"; }; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $tool $*: exit $got (want $status), stdout then stderr:"
    head -n 3 "$scratch/out" "$scratch/err"
  fi
}

for tool in brimloft-print brimloft-decode brimloft-tracefmt brimloft-xpspack brimloft-driver-files; do
  case_ "$tool" 0 out "^usage: $tool " "" -- --help
  case_ "$tool" 0 out "^$tool $version\$" "" -- --version
  case_ "$tool" 2 err "^$tool: unknown option --frobnicate\$" "^Try '$tool --help'\.\$" -- --frobnicate x
  case_ "$tool" 2 err "^$tool: option --help takes no value\$" "^Try '$tool --help'\.\$" -- --help=x
done

# A file that is not there: the words, then the result's name and number.
notfound='\(HRESULT_FROM_WIN32\(ERROR_(FILE|PATH)_NOT_FOUND\) \(0x8007000[23]\)\)$'
case_ brimloft-print 1 err "^brimloft-print: $absent\.xps: no such file $notfound" "" -- --output "$scratch/o" "$absent.xps"
case_ brimloft-decode 1 err "^brimloft-decode: cannot open $absent\.bin: No such file or directory $notfound" "" -- "$absent.bin"
case_ brimloft-tracefmt 1 err "^brimloft-tracefmt: cannot open trace file $absent\.trace: No such file or directory $notfound" "" -- \
  "$absent.trace"
case_ brimloft-xpspack 1 err "^brimloft-xpspack: $absent: No such file or directory $notfound" "" -- "$absent" "$scratch/o.xps"
case_ brimloft-driver-files 1 err "^brimloft-driver-files: cannot write $absent/BRIMLOFT.GPD: No such file or directory $notfound" \
  "" -- "$absent"

# Usage errors each tool finds in its own operands and values.
case_ brimloft-print 2 err "^brimloft-print: no XPS job given\$" "^Try" -- --output "$scratch/o"
case_ brimloft-decode 2 err "^brimloft-decode: --width 600 is no head width" "^Try" -- --width 600 x.bin
case_ brimloft-tracefmt 2 err "^brimloft-tracefmt: no trace file given\$" "^Try" --
case_ brimloft-xpspack 2 err "^brimloft-xpspack: --pieces wants a number of bytes, not many\$" "^Try" -- --pieces many a b
case_ brimloft-driver-files 2 err "^brimloft-driver-files: no folder given\$" "^Try" --

# Damaged input: the step (the file), the reader's words and the result.
printf 'no trace at all, only words' >"$scratch/words"
case_ brimloft-tracefmt 1 err "^brimloft-tracefmt: $scratch/words: not a trace file \(bad magic\) \(HRESULT_FROM_WIN32\(ERROR_INVALID_DATA\)" \
  "" -- "$scratch/words"
case_ brimloft-decode 1 err "^brimloft-decode: $scratch/words: offset 0: unknown command byte 6E .*\(HRESULT_FROM_WIN32\(ERROR_INVALID_DATA\)" \
  "" -- "$scratch/words"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
