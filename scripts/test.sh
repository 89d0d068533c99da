#!/bin/sh
# Installs what is needed, builds, and runs every test.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: the ASan+UBSan build, in build-asan/)
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
preset=default
if [ "${1:-}" = "--sanitize" ]; then preset=asan; fi
scripts/build.sh ${1:-}
ctest --preset "$preset" -j 2
