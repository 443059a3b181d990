#!/usr/bin/env bash
# Installs every Debian package the project builds, runs or tests with.
# Idempotent: packages already present are skipped without touching apt.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build make g++ pkg-config git ca-certificates
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  libz-mingw-w64-dev
  # native libraries and tests
  libgtest-dev libgmock-dev googletest zlib1g-dev libzip-dev libpugixml-dev
  # the Windows run and test bed
  wine64 xvfb x11-utils imagemagick locales
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine
  # source packages for the cross-built libraries
  dpkg-dev
  # independent reader of workbooks for tests
  python3-openpyxl libreoffice-calc-nogui
  # the engine's fuzzer (scripts/fuzz.sh): clang with libFuzzer
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-packages: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "install-packages: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
