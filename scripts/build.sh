#!/bin/sh
# Configures and builds the programs and tests into build/ (warnings are errors).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRAVENT_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)"
