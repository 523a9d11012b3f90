#!/bin/sh
# Remakes docs/screenshots/: one picture of every window, taken from the real program on a
# private X server with a window manager, as a user sees it.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -x build/bin/cravent ] || scripts/build.sh build
PYTHONDONTWRITEBYTECODE=1 python3 tests/gui/x11/screenshots.py build/bin/cravent docs/screenshots
