#!/bin/sh
# Installs, builds and runs every test suite (labels unit, lab, gui). Extra arguments go to
# ctest, e.g. -L unit.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
./scripts/build.sh
cd "$BUILD_DIR"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} ctest --output-on-failure --timeout 600 "$@"
