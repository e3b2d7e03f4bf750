#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and cross-build.
# Idempotent: does nothing when everything is already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libxml2-dev librapidxml-dev libzip-dev libpng-dev zlib1g-dev
  libmupdf-dev mupdf-tools libmujs-dev libgumbo-dev libopenjp2-7-dev libjbig2dec0-dev
  libharfbuzz-dev libfreetype-dev libjpeg-dev fonts-dejavu-core ghostscript
  g++-mingw-w64-x86-64-posix wine64 osslsigncode openssl libxml2-utils
  libcups2-dev cups-daemon cups-client cups-filters cups-ppdc
  libpappl-dev cups-ipp-utils curl chromium
  clang-14 libclang-rt-14-dev valgrind
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
