#!/bin/sh
# Makes the README's picture of the find bar, docs/find-bar.png: the demo window on a virtual
# display, after Ctrl+F and a word of the start page typed into the bar.
# Needs the packages of scripts/install-deps.sh; builds the program if needed.
set -eu
cd "$(dirname "$0")/.."
exec env -u DISPLAY scripts/demo.sh --no-install --screenshot docs/find-bar.png --find window
