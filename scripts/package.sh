#!/usr/bin/env bash
# Builds Quorrel in release mode and writes what Windows users download into dist/:
#   dist/Quorrel-VERSION-portable.zip  quorrel.exe, quorrel-cli.exe, 使用说明.txt, LICENSE.txt
#   dist/Quorrel-VERSION-setup.exe     the same files as a per-user installer (NSIS)
# Installs what is missing first. VERSION is the one in CMakeLists.txt's project() line.
#
# Reproducible: the same commit gives the same bytes in any folder and at any time.
# SOURCE_DATE_EPOCH (default: the time of the last commit) is the time stamp of every file in
# both packages; scripts/repro-check.sh builds two clones and compares.
# QUORREL_RELEASE_BUILD (default build/release) is the build folder, QUORREL_DIST (default
# dist) the output folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || true)
    # Not a git checkout: a fixed time, 2026-01-01 00:00:00 UTC.
    [ -n "$SOURCE_DATE_EPOCH" ] || SOURCE_DATE_EPOCH=1767225600
fi
export SOURCE_DATE_EPOCH
export TZ=UTC LC_ALL=C.UTF-8

build=${QUORREL_RELEASE_BUILD:-build/release}
dist=${QUORREL_DIST:-dist}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target quorrel quorrel-cli
version=$(tr -d '[:space:]' <"$build/quorrel-version.txt")

# The files as users get them. Texts with Windows line ends; the Chinese one as UTF-8 with a
# byte-order mark, which every Notepad reads as UTF-8 whatever the system's code page.
stage=$build/stage
rm -rf "$stage"
mkdir -p "$stage"
cp "$build/app/quorrel.exe" "$build/tools/cli/quorrel-cli.exe" "$stage/"
{
    printf '\xef\xbb\xbf'
    sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' installer/使用说明.txt
} >"$stage/使用说明.txt"
sed -e 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
touch -h -d "@$SOURCE_DATE_EPOCH" "$stage"/*

mkdir -p "$dist"
# dist/ holds build output only; git ignores all of it.
[ -f "$dist/.gitignore" ] || echo '*' >"$dist/.gitignore"
zip=$dist/Quorrel-$version-portable.zip
setup=$dist/Quorrel-$version-setup.exe
python3 scripts/zip-reproducible.py "$zip" "$stage"

makensis -V2 -INPUTCHARSET UTF8 \
    -DVERSION="$version" -DSTAGE="$(realpath "$stage")" -DOUTFILE="$(realpath "$setup")" \
    -DICON="$PWD/res/quorrel.ico" installer/quorrel.nsi

echo "package: $zip"
echo "package: $setup"
