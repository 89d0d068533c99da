#!/bin/sh
# Configures and builds WebBrowser. Usage: scripts/build.sh [--sanitize] [extra cmake -D...]
set -eu
cd "$(dirname "$0")/.."
preset=default
if [ "${1:-}" = "--sanitize" ]; then preset=asan; shift; fi
cmake --preset "$preset" "$@" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
