#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine and prints their measurements; every benchmark
# prints lines "RATIO ...", gathered again at the end. Arguments are passed to each benchmark
# (e.g. --latency=50).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if [ ! -f build/win/CMakeCache.txt ]; then
    cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build/win --target benchmarks -j"$(nproc)"
. scripts/wine-env.sh
if [ -z "${DISPLAY:-}" ] && [ -f "$QUORREL_BUILD/display" ]; then export DISPLAY=$(cat "$QUORREL_BUILD/display"); fi
wine_up || true  # "wineserver -p" fails when a server is already up, which is fine
status=0
output=$(mktemp)
trap 'rm -f "$output"' EXIT
while read -r exe; do
    [ -n "$exe" ] || continue
    echo "== $exe" | tee -a "$output"
    scripts/wine-run.sh "build/win/bench/$exe" "$@" </dev/null | tee -a "$output" || status=1
done <build/win/bench/benchmarks.txt
echo
echo "== ratios ($(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'))"
grep -E '^(== |RATIO)' "$output" || true
exit $status
