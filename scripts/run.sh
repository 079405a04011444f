#!/bin/sh
# Installs what building and running need (no test packages), builds Halvera without its tests
# and starts it.
set -eu
cd "$(dirname "$0")/.."
HALVERA_TESTS=OFF ./scripts/build.sh
exec "${BUILD_DIR:-build}/halvera/halvera"
