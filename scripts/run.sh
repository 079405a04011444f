#!/bin/sh
# Installs, builds and starts Halvera.
set -eu
cd "$(dirname "$0")/.."
./scripts/build.sh
exec "${BUILD_DIR:-build}/halvera/halvera"
