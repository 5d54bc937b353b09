#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking Quillometer needs.
# Safe to run again: apt-get skips what is installed. Runs apt-get as root (through sudo when
# started by another user).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsimdjson-dev
  qt6-base-dev qt6-charts-dev qt6-pdf-dev qt6-svg-dev libqt6svg6
  fonts-dejavu-core
  desktop-file-utils appstream
  libgtest-dev libgmock-dev libbenchmark-dev
  tzdata
  clang libclang-rt-14-dev
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is installed"
  exit 0
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -qq
as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
