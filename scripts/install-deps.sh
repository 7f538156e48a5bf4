#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only when some are missing.
# With --fuzz, also the compiler and runtime of the fuzz targets (`make fuzz`), which the tests do not need.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils imagemagick socat xdotool
  fonts-comic-neue
  dpkg-dev desktop-file-utils appstream
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang-14 libclang-rt-14-dev llvm-14)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
