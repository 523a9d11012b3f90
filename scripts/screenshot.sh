#!/bin/sh
# Remakes docs/main-window.png with the program itself on Qt's offscreen platform.
set -eu
cd "$(dirname "$0")/.."
app=$(mktemp -d)
trap 'rm -rf "$app"' EXIT
QT_QPA_PLATFORM=offscreen build/bin/cravent --app-dir "$app" --screenshot docs/main-window.png
