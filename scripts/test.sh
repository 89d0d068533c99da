#!/bin/sh
# Installs what is needed, builds, and runs every test.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: the ASan+UBSan build, in build-asan/)
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
preset=default
if [ "${1:-}" = "--sanitize" ]; then preset=asan; fi
scripts/build.sh ${1:-}
# Every case runs once: a case that fails only now and then is a fault to find, not to repeat.
ctest --preset "$preset" -j 2
