#!/bin/sh
# Configures and builds the programs and tests (warnings are errors).
# Usage: scripts/build.sh [BUILD_DIR [CMAKE_OPTIONS...]]   (default build/)
set -eu
cd "$(dirname "$0")/.."
dir=${1:-build}
[ $# -gt 0 ] && shift
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRAVENT_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
