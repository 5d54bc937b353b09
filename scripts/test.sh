#!/usr/bin/env bash
# Configures, builds and runs every test with one CMake preset (default: dev).
set -euo pipefail
preset="${1:-dev}"
cd "$(dirname "$0")/.."
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" --output-on-failure
