#!/usr/bin/env bash
# Checks the installed and the packaged tree as a user gets them, from the build folder that
# scripts/test.sh made: installs into a temporary prefix and moves it, prints the bundled receipt
# with the installed brimloft-print in an empty environment and compares the bytes with the built
# one's, reads every man page (each option of the tool's --help must be in it), completes a few
# command lines, builds the Debian package, prints with the packaged tool and runs lintian on it
# (an error fails).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "test-install: FAIL: $*" >&2
  failures=$((failures + 1))
}

cmake --build "$build" --target brimloft_installed >/dev/null
cmake --install "$build" --prefix "$work/staged" >/dev/null
# Moved after installing: nothing may point back at the install prefix or the build folder.
mv "$work/staged" "$work/prefix"
prefix=$work/prefix

# Every installed binary finds its libraries relative to itself.
while IFS= read -r binary; do
  runpath=$(readelf -d "$binary" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  case $runpath in
    "" | '$ORIGIN'*) ;;
    *) fail "$binary has the library path $runpath, not one relative to \$ORIGIN" ;;
  esac
done < <(find "$prefix" -type f -exec sh -c 'head -c 4 "$1" | grep -q ELF' _ {} \; -print)

# The receipt, printed by the built and by the installed (and by the packaged) brimloft-print.
receipt=("-p" "RX2P" "-o" "QVDither=FloydSteinberg" "$build/examples/receipt.xps")
"$build/host/brimloft-print" "${receipt[@]}" --output "$work/built.prn"
print_alike() {  # NAME PROGRAM: prints the receipt with an empty environment, compares the bytes
  if ! env -i "$2" "${receipt[@]}" --output "$work/$1.prn"; then
    fail "the $1 brimloft-print failed in an empty environment"
  elif ! cmp -s "$work/built.prn" "$work/$1.prn"; then
    fail "the $1 brimloft-print printed other bytes than the built one"
  fi
}
print_alike installed "$prefix/bin/brimloft-print"

# Man pages: no warning from man, and every option the tool's --help (or usage) names.
for page in "$prefix"/share/man/man*/*.gz; do
  name=$(basename "$page" .gz)
  text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings -l "$page" 2>"$work/man.err" | col -b) ||
    fail "man -l $name failed"
  [ ! -s "$work/man.err" ] && [ -n "$text" ] || fail "man -l $name: $(cat "$work/man.err")"
  # Each option must head an entry of its own (a tag line, at the first indent), not only be named.
  tool=$prefix/bin/${name%.*}
  if [ -x "$tool" ]; then
    help=$("$tool" --help 2>/dev/null </dev/null)
    # the options that head a line of --help, and those in brackets on the usage line
    options=$({ sed -nE 's/^ *(-[^ ]*( [^ ]+)?(, -[^ ]*)?).*/\1/p' <<<"$help"
      grep -oE '\[--?[A-Za-z][-A-Za-z]*' <<<"$help"; } | grep -oE -- '--?[A-Za-z][-A-Za-z]*' | sort -u || true)
    entries=$(grep -E '^ {7}-' <<<"$text" || true)
  else  # the CUPS filter: the options of the PPD files
    options=$(sed -n 's/^ *Option "\([A-Za-z]*\)\/.*/\1/p' host/cupsfilter/ppd/brimloft.drv)
    [ -n "$options" ] || fail "no options found in host/cupsfilter/ppd/brimloft.drv"
    entries=$(grep -E '^ {7}[A-Za-z]+=' <<<"$text" || true)
  fi
  for option in $options; do
    grep -qFw -- "$option" <<<"$entries" || fail "the man page $name has no entry for $option"
  done
done

# Completion: each case is a command line (the cursor at its end) and what its completions hold.
completions() {
  PATH="$prefix/bin:$PATH" bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    compopt() { :; }  # only a real completion has options to change
    COMP_LINE=$2 COMP_POINT=${#2}
    read -ra raw <<<"$COMP_LINE"
    COMP_WORDS=()
    for word in "${raw[@]}"; do  # readline splits "NAME=VALUE" into three words
      while [[ $word == *=* ]]; do COMP_WORDS+=("${word%%=*}" "="); word=${word#*=}; done
      COMP_WORDS+=("$word")
    done
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    function=$(complete -p "${COMP_WORDS[0]}" | sed -E "s/.*-F ([^ ]+).*/\1/")
    "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$prefix/share/bash-completion/completions/brimloft-print" "$1"
}
while IFS='|' read -r line expected; do
  got=$(completions "$line" | sort | tr '\n' ' ')
  for word in $expected; do
    [[ " $got" == *" $word "* ]] || fail "completing \"$line\" gave [$got], lacking $word"
  done
done <<'EOF'
brimloft-print -p RX3|RX3P RX3Q
brimloft-print --li|--list-options
brimloft-print --pr|--printer --preview
brimloft-print -o QVDi|QVDither=
brimloft-print -o QVDither=F|FloydSteinberg
brimloft-print -p RX1P -o PageMediaSize=Roll5|Roll51x102 Roll51x152 Roll54x102 Roll54x152
brimloft-print --printer=RX3Q -o PageMediaSize=Roll|Roll104x102
brimloft-decode --p|--png
brimloft-xpspack --pi|--pieces
EOF

# The Debian package: dependencies from the binaries, its tool prints alike, lintian finds no error.
if ! (cd "$build" && rm -f brimloft_*.deb && cpack -G DEB >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  echo "test-install: cpack -G DEB failed" >&2
  exit 1
fi
deb=$(ls "$build"/brimloft_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for library in libcups2 libxml2 libzip4 libc6; do
  [[ $depends == *"$library "* ]] || fail "the package does not depend on $library: $depends"
done
dpkg-deb -x "$deb" "$work/deb"
for file in usr/lib/cups/filter/rastertobrimloft usr/share/ppd/brimloft/brimloft-rx2p.ppd \
  usr/share/doc/brimloft/copyright usr/share/doc/brimloft/changelog.gz; do
  [ -e "$work/deb/$file" ] || fail "the package lacks /$file"
done
print_alike packaged "$work/deb/usr/bin/brimloft-print"
if lintian --fail-on error "$deb" >"$work/lintian.out" 2>&1; then
  grep -v "running with root privileges" "$work/lintian.out" || true
else
  cat "$work/lintian.out" >&2
  fail "lintian found errors in $(basename "$deb")"
fi

if [ "$failures" -ne 0 ]; then
  echo "test-install: $failures check(s) failed" >&2
  exit 1
fi
echo "test-install: installed, moved, printed alike (installed and packaged), man pages, completion and package checked"
