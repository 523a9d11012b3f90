#!/bin/sh
# Builds the programs and makes the Debian package cravent_<version>_amd64.deb in package/.
# Usage: scripts/package.sh [BUILD_DIR]   (default build/)
set -eu
cd "$(dirname "$0")/.."
dir=${1:-build}
scripts/install-deps.sh
scripts/build.sh "$dir"
cpack --config "$dir/CPackConfig.cmake" -B "$PWD/package" >/dev/null
rm -rf package/_CPack_Packages
ls package/cravent_*_amd64.deb
