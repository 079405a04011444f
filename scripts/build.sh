#!/bin/sh
# Installs what is missing, configures and builds Halvera into BUILD_DIR (default build/),
# then grants the capture helper its capability again: setcap is lost on every relink.
# Extra arguments go to cmake, e.g. -DHALVERA_ASAN=ON. With HALVERA_TESTS=OFF in the
# environment only what building and running need is installed and no test is built.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
TESTS=${HALVERA_TESTS:-ON}

if [ "$TESTS" = OFF ]; then
    ./scripts/setup.sh
else
    ./scripts/setup.sh --tests
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
    -DHALVERA_TESTS="$TESTS" "$@" >/dev/null
cmake --build "$BUILD_DIR"
./scripts/grant-capabilities.sh "$BUILD_DIR/halvera"
