#!/usr/bin/env bash
# Fuzzes the platform-free core: builds the libFuzzer targets of tests/fuzz with clang,
# AddressSanitizer and UBSan into build/fuzz, replays each target's corpus
# (tests/fuzz/corpus/TARGET: seeds and every crash found so far), then fuzzes each target for
# SECONDS (default 60). New inputs go to build/fuzz/work, crashes to build/fuzz/artifacts.
# A crash fails the run: add its file to the target's corpus, with a regression test beside the
# code it broke, once it is mended.
#   usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh

seconds="${1:-60}"
targets=(fuzz_text fuzz_url_cookie fuzz_query fuzz_export fuzz_extra_sites fuzz_links fuzz_page_text)

cmake -S tests/fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j"$(nproc)" >/dev/null

failed=()
for t in "${targets[@]}"; do
    corpus="tests/fuzz/corpus/$t"
    work="build/fuzz/work/$t"
    artifacts="build/fuzz/artifacts/$t/"
    log="build/fuzz/logs/$t.log"
    mkdir -p "$corpus" "$work" "$artifacts" "$(dirname "$log")"
    shopt -s nullglob
    files=("$corpus"/*)
    shopt -u nullglob
    echo "== $t: replaying ${#files[@]} corpus files"
    if [ ${#files[@]} -gt 0 ] &&
        ! build/fuzz/$t -artifact_prefix="$artifacts" "${files[@]}" >"$log" 2>&1; then
        grep -E 'property failed|ERROR|SUMMARY|Running:' "$log" | tail -n 5 || true
        echo "$t: a corpus file fails (log: $log)"
        failed+=("$t")
        continue
    fi
    echo "== $t: fuzzing for $seconds s"
    if ! build/fuzz/$t -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts" "$work" "$corpus" >"$log" 2>&1; then
        grep -E 'property failed|ERROR|SUMMARY|Test unit written' "$log" | tail -n 6 || true
        echo "$t: crash found (log: $log)"
        failed+=("$t")
        continue
    fi
    grep -E '^Done [0-9]+ runs|stat::number_of_executed_units|stat::peak_rss_mb' "$log" | sed "s/^/$t: /"
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing failed: ${failed[*]}"
    exit 1
fi
echo "fuzzing: ${#targets[@]} targets passed"
