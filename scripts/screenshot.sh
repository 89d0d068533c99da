#!/bin/sh
# Makes the README's screenshot, docs/screenshot.png: the demo window on a virtual display.
# Needs the packages of scripts/install-deps.sh; builds the program if needed.
set -eu
cd "$(dirname "$0")/.."
exec env -u DISPLAY scripts/demo.sh --no-install --screenshot docs/screenshot.png
