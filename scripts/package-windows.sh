#!/usr/bin/env bash
# Assembles the Windows driver package in build-windows/package/ (INF, GPDs, filter pipeline
# configurations, the DLL test-signed, its notices), then checks it, and checks that broken copies
# of it fail the same checks. Needs the Windows build (scripts/build-windows.sh) and Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=build-windows
package=$build/package
[ -f "$build/brimloft_filter.dll" ] || { echo "package-windows: build the DLL first (scripts/build-windows.sh)" >&2; exit 1; }
bash scripts/configure.sh
cmake --build build -j"$(nproc)" --target brimloft-driver-files
cmake --build "$build" -j"$(nproc)" --target package_classes

rm -rf "$package"
mkdir -p "$package"
build/host/brimloft-driver-files "$package"
cp driver/BRIMLOFT-NOTICES.TXT "$package/"

# Authenticode test signature with a certificate made for this build; release signing and the
# catalog (Inf2Cat) need Windows.
signing=$build/test-signing
mkdir -p "$signing"
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Brimloft test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null
osslsigncode sign -certs "$signing/cert.pem" -key "$signing/key.pem" -n "Brimloft print filter" -h sha256 \
  -in "$build/brimloft_filter.dll" -out "$package/brimloft_filter.dll" >/dev/null
osslsigncode verify -CAfile "$signing/cert.pem" -in "$package/brimloft_filter.dll" >"$signing/verify.log" 2>&1 ||
  { cat "$signing/verify.log" >&2; echo "package-windows: the test signature does not verify" >&2; exit 1; }

wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
class_check=$PWD/$build/package_classes.exe
check() { bash tests/windows/package_check.sh "$1" "$wine" "$class_check"; }
check "$package"

# Broken copies must fail: each a fault the checks exist for.
broken=$build/package-broken
broken_copy() {
  rm -rf "$broken"
  cp -r "$package" "$broken"
}
expect_failure() {
  if check "$broken" >"$broken.log" 2>&1; then
    echo "package-windows: a package with $1 passed the checks" >&2
    exit 1
  fi
  echo "package-windows: a package with $1 fails: $(head -1 "$broken.log")"
}
broken_copy
sed -i 's/clsid="{6E1D5A21-3C4B-4F0E-9A51-0B7C2D8E4103}"/clsid="{6E1D5A21-3C4B-4F0E-9A51-0B7C2D8E4104}"/' \
  "$broken/brimloft-rx2p-pipelineconfig.xml"
expect_failure "the wrong class id for a model"
broken_copy
sed -i '/FilterServiceProvider/d' "$broken/brimloft-rx1q-pipelineconfig.xml"
expect_failure "no rasterization service for a model"
broken_copy
sed -i '/^    \*Option: 4x4$/,/^    }$/d' "$broken/BRIMLOFT.GPD"
expect_failure "an option missing from the GPD"
rm -rf "$broken" "$broken.log"
echo "package-windows: $package made, signed and checked"
