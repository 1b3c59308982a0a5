#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the build and the tests need that is not there yet.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config clang
  qt6-base-dev libgl-dev
  libusb-1.0-0-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libpolyclipping-dev
  libgoogle-perftools-dev
)
missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
