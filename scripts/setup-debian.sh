#!/usr/bin/env bash
# Installs the Debian 12 packages Quillometer needs; this script is the one list of them.
#
#   scripts/setup-debian.sh        what building, testing and packaging need
#   scripts/setup-debian.sh --ci   that, plus what the CI stages need on top
#
# Safe to run again: it installs only what is missing. Runs apt-get as root (through sudo when
# started by another user).
set -euo pipefail

# Compiling and linking the program, the report tool and the manual.
build=(
  build-essential cmake ninja-build pkg-config
  libsimdjson-dev
  qt6-base-dev qt6-charts-dev qt6-pdf-dev qt6-svg-dev
  # Qt6Charts' CMake package asks for Qt6OpenGL's, which qt6-charts-dev does not pull in.
  libqt6opengl6-dev
  # The icons are SVG, drawn by Qt's plugins at run time; the manual is typeset with a real font.
  libqt6svg6 qt6-qpa-plugins fonts-dejavu-core
)
# The test suites: GoogleTest, the time zones they switch between, and the desktop files' checkers.
test=(libgtest-dev tzdata desktop-file-utils appstream)
# The .deb: CPack reads the binaries' shared libraries with file and dpkg-shlibdeps.
package=(file dpkg-dev)
# The CI stages: a fresh Debian root, the libFuzzer build, the core on clang's own C++ library
# (libc++, with GoogleTest compiled from the sources libgtest-dev brings), the format check, the
# package's checker, and a real X server driven as a person would (with screenshots from
# ImageMagick).
ci=(mmdebstrap clang libclang-rt-14-dev libc++-dev libc++abi-dev clang-format lintian xvfb xauth
  xdotool imagemagick)

packages=("${build[@]}" "${test[@]}" "${package[@]}")
case "${1:-}" in
  "") ;;
  --ci) packages+=("${ci[@]}") ;;
  *) echo "usage: $0 [--ci]" >&2; exit 2 ;;
esac

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
