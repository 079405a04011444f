#!/bin/sh
# Installs what is missing, configures and builds Halvera into BUILD_DIR (default build/),
# then grants the raw-frame capabilities again: setcap is lost on every relink.
# Extra arguments go to cmake, e.g. -DHALVERA_ASAN=ON.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}

./scripts/setup.sh
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
cmake --build "$BUILD_DIR"
./scripts/grant-capabilities.sh "$BUILD_DIR/halvera"
