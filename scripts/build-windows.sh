#!/usr/bin/env bash
# Cross-builds the filter DLL with MinGW-w64, checks its exports and imports, and, where Wine is
# installed, loads it with the module check program and prints whole jobs through it, comparing
# their bytes with the Linux build's (tests/windows/end_to_end.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=build-windows
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-toolchain.cmake -DBRIMLOFT_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

dll="$build/brimloft_filter.dll"
checks=("$build/module_check.exe" "$build/comsupp_check.exe" "$build/replay_host.exe" "$build/prntvpt.dll")
objdump=x86_64-w64-mingw32-objdump
fail=0

# Exactly the two COM server exports.
exports=$("$objdump" -p "$dll" | awk '
  /^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
  table && /^\t\[ *[0-9]+\]/ { print $NF; next }
  table { table = 0 }' | sort | tr '\n' ' ')
if [ "$exports" != "DllCanUnloadNow DllGetClassObject " ]; then
  echo "build-windows: $dll exports [$exports], expected exactly DllCanUnloadNow DllGetClassObject" >&2
  fail=1
fi

# No compiler runtime DLL may be needed beside the module or the check program.
for binary in "$dll" "${checks[@]}"; do
  imports=$("$objdump" -p "$binary" | awk '/DLL Name:/ { print $3 }' | tr '\n' ' ')
  if echo "$imports" | grep -Eiq '(libstdc\+\+|libgcc|libwinpthread)[^ ]*\.dll'; then
    echo "build-windows: $binary imports a MinGW runtime DLL: $imports" >&2
    fail=1
  fi
  echo "build-windows: $(basename "$binary") imports: $imports"
done
echo "build-windows: $(basename "$dll") exports: $exports"
[ "$fail" -eq 0 ] || exit 1

# The artefact: the DLL with its notices, and the full notices of what it links statically as the
# toolchain and RapidXML ship them.
zip_dir="$build/zip/brimloft-filter-windows"
rm -rf "$build/zip"
mkdir -p "$zip_dir"
cp "$dll" driver/BRIMLOFT-NOTICES.TXT "$zip_dir/"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$zip_dir/copyright.gcc"
cp /usr/share/doc/mingw-w64-common/copyright "$zip_dir/copyright.mingw-w64"
cp /usr/share/doc/librapidxml-dev/copyright "$zip_dir/copyright.rapidxml"
(cd "$build/zip" && cmake -E tar cf ../brimloft-filter-windows.zip --format=zip brimloft-filter-windows)
echo "build-windows: wrote $build/brimloft-filter-windows.zip"

wine=$(command -v wine64 || command -v wine || true)
if [ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; fi
if [ -z "$wine" ]; then
  echo "build-windows: Wine is not installed; the check programs were built but not run"
  exit 0
fi

# A private Wine prefix under the build folder keeps the run independent of the user's own.
export WINEPREFIX="$PWD/$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# Creating the prefix reports on parts of Wine that are not installed (32-bit support); quietly.
"$wine" wineboot --init >/dev/null 2>&1 || true
status=0
(cd "$build" && "$wine" ./comsupp_check.exe) || status=1
(cd "$build" && "$wine" ./module_check.exe brimloft_filter.dll) || status=1

# The Linux build records the jobs the Windows build is then handed; build what that needs.
cmake -S . -B build -G Ninja -DBRIMLOFT_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)" --target brimloft_filter brimloft-print brimloft_examples brimloft-record-job
bash tests/windows/end_to_end.sh "$PWD/build" "$PWD/$build" "$wine" || status=1
exit "$status"
