#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Quorrel.
# Idempotent: prints nothing and changes nothing when everything is present.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb xauth cmake \
         googletest fonts-wqy-microhei imagemagick locales x11-utils g++ python3 nsis \
         clang libclang-rt-14-dev procps nlohmann-json3-dev fonts-wine ccache; do
    have_pkg "$p" || need+=("$p")
done

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

if [ ${#need[@]} -gt 0 ]; then
    echo "install-deps: installing ${need[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq >/dev/null
    $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Wine reports code page 936 only when the Chinese locale exists.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    echo "install-deps: generating zh_CN.UTF-8" >&2
    $SUDO sed -i 's/^# *zh_CN.UTF-8/zh_CN.UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
