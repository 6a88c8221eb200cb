#!/usr/bin/env bash
# Checks that the release build is reproducible: the committed HEAD, cloned to two different
# paths (of different lengths), built there by scripts/package.sh with different time zones,
# umasks and start times, gives byte-identical quorrel.exe, quorrel-cli.exe, portable zip and
# setup.exe. Prints the SHA-256 of each and exits 1 on the first difference.
#
#   scripts/repro-check.sh                 two fresh clones in build/repro (two release builds)
#   scripts/repro-check.sh --against-tree  one fresh clone, compared with this tree's own
#                                          build/release and dist/ (one build; the tree must be
#                                          clean and packaged: scripts/test.sh does this)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
mode=clones
if [ "${1:-}" = "--against-tree" ]; then mode=tree; fi

./scripts/install-deps.sh
commit=$(git rev-parse HEAD)
work=$root/build/repro
rm -rf "$work"
mkdir -p "$work"

clone_and_package() {  # clone_and_package DIR TZ UMASK
    local dir=$1
    mkdir -p "$(dirname "$dir")"
    git clone -q --no-checkout "$root" "$dir"
    git -C "$dir" checkout -q --detach "$commit"
    echo "repro-check: building $commit in $dir"
    (cd "$dir" && umask "$3" && TZ=$2 ./scripts/package.sh) >"$dir.log" 2>&1 || {
        echo "repro-check: the build in $dir failed (see $dir.log)" >&2
        exit 1
    }
}

if [ "$mode" = tree ]; then
    if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
        echo "repro-check: the working tree has changes; commit them or run without --against-tree" >&2
        exit 2
    fi
    first=$root
    [ -f "$first/build/release/app/quorrel.exe" ] || { echo "repro-check: run scripts/package.sh first" >&2; exit 2; }
else
    first=$work/a
    clone_and_package "$first" UTC 022
fi
second=$work/another/clone/at/a/much/longer/path/quorrel
clone_and_package "$second" Asia/Shanghai 077

version=$(tr -d '[:space:]' <"$second/build/release/quorrel-version.txt")
status=0
for f in build/release/app/quorrel.exe build/release/tools/cli/quorrel-cli.exe \
         "dist/Quorrel-$version-portable.zip" "dist/Quorrel-$version-setup.exe"; do
    if cmp -s "$first/$f" "$second/$f"; then
        echo "same      $(sha256sum <"$second/$f" | cut -c1-64)  $f"
    else
        echo "DIFFERENT $f" >&2
        cmp "$first/$f" "$second/$f" | head -n1 >&2 || true
        status=1
    fi
done
if [ "$status" = 0 ]; then
    echo "repro-check: $commit builds byte-identical at $first and $second"
    rm -rf "$work"
fi
exit $status
