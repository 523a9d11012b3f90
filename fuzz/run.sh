#!/bin/sh
# Builds the fuzz targets with clang and runs each for SECONDS (default 60) on a scratch copy of
# its committed corpus. Findings land in build-fuzz/findings/; the exit status is non-zero when
# any target found something.
set -u
seconds=${1:-60}
cd "$(dirname "$0")/.."
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRAVENT_FUZZ=ON >/dev/null || exit 2
cmake --build "$build" --target fuzz_all >/dev/null || exit 2
mkdir -p "$build/findings"
status=0
for corpus in fuzz/corpus/*/; do
    name=$(basename "$corpus")
    target="$build/bin/$name"
    [ -x "$target" ] || continue
    work=$(mktemp -d)
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$name-" "$work" "$corpus" >"$build/$name.log" 2>&1
    result=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$name.log" | grep -o '[0-9]*$')
    echo "$name: ${runs:-?} executions in ${seconds}s, exit $result"
    [ $result -eq 0 ] || { status=1; tail -n 30 "$build/$name.log"; }
    rm -rf "$work"
done
exit $status
