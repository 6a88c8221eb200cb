#!/usr/bin/env bash
# Installs, builds and runs every test: the platform-free core natively with sanitizers, then
# everything under Wine (zh_CN, code page 936), then the core again under code page 1252.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh

echo "== native core (address and undefined-behaviour sanitizers)"
cmake -S . -B build/native -DQUORREL_NATIVE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$(nproc)"
ctest --test-dir build/native --output-on-failure

echo "== fuzzing the core (libFuzzer with address and undefined-behaviour sanitizers)"
./scripts/fuzz.sh "${QUORREL_FUZZ_SECONDS:-10}"

echo "== Windows build"
./scripts/build.sh

. scripts/wine-env.sh
wine_up
trap wine_down EXIT
echo "$DISPLAY" >"$QUORREL_BUILD/display"

echo "== under Wine, LANG=$LANG"
ctest --test-dir build/win --output-on-failure -j2 --timeout 600

echo "== core under Wine, LANG=C.UTF-8 (ANSI code page 1252)"
QUORREL_LANG=C.UTF-8 ctest --test-dir build/win --output-on-failure -L core

echo "== release packages (scripts/package.sh)"
./scripts/package.sh

# One fresh clone at another path, built and packaged, against the packages just made here;
# scripts/repro-check.sh without arguments compares two fresh clones. A tree with uncommitted
# changes cannot match any clone, so the check is skipped there (never in CI's fresh clone).
echo "== reproducible build: a fresh clone at another path gives the same bytes"
if [ -z "$(git status --porcelain --untracked-files=no)" ]; then
    ./scripts/repro-check.sh --against-tree
else
    echo "skipped: the working tree has uncommitted changes"
fi

echo "== the installer in a throw-away Wine prefix: silent install, first start, silent uninstall"
tests/release/setup_test.sh dist "$(tr -d '[:space:]' <build/release/quorrel-version.txt)"
