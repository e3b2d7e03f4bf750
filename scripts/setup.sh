#!/usr/bin/env bash
# Installs the Debian packages that the project's scripts and its READMEs' commands use: the build
# and its libraries, the tests (python3 stands in for a network printer), the Windows cross-build,
# the sanitizer builds, CUPS with the commands host/cupsfilter/README.md walks through (cupsfilter, lpadmin,
# lp), the printer application's browser test (Chromium driven from Node), and the install check
# (man, bash completion, the Debian package and lintian). Quick and quiet when all are installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev python3-minimal
  libxml2-dev librapidxml-dev libzip-dev libpng-dev zlib1g-dev
  libmupdf-dev mupdf-tools libmujs-dev libgumbo-dev libopenjp2-7-dev libjbig2dec0-dev
  libharfbuzz-dev libfreetype-dev libjpeg-dev fonts-dejavu-core ghostscript ghostscript-doc
  g++-mingw-w64-x86-64-posix wine64 osslsigncode openssl libxml2-utils
  libcups2-dev cups cups-daemon cups-client cups-filters cups-ppdc
  libpappl-dev cups-ipp-utils curl chromium nodejs iproute2
  clang-14 libclang-rt-14-dev
  man-db bash-completion dpkg-dev file lintian
)

# One query for all: a package is missing unless dpkg lists it as installed.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null |
  awk '$NF == "installed" { print $1 }' || true)
missing=()
for p in "${packages[@]}"; do
  grep -qxF "$p" <<<"$installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
