#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorrel (quorrel.exe) under Wine.
# Arguments are passed to the program (for example --engine=127.0.0.1:8765).
# With a display the program runs until you close it. Without one it runs on a virtual display,
# a screenshot of its window is saved (the path is printed) and the program is stopped.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh
./scripts/build.sh

headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then headless=0; fi
xvfb_before=$(cat build/xvfb.pid 2>/dev/null || true)

. scripts/wine-env.sh
wine_up
program=build/win/app/quorrel.exe

if [ "$headless" = 0 ]; then
    exec wine "$program" "$@"
fi

# A virtual display started just now by wine_up is ours to stop at the end.
xvfb_ours=$(cat build/xvfb.pid 2>/dev/null || true)
[ "$xvfb_ours" != "$xvfb_before" ] || xvfb_ours=""
mkdir -p build/win/screenshots
shot=$PWD/build/win/screenshots/run.png
wine "$program" "$@" >>"$WINE_LOG" 2>&1 </dev/null &
pid=$!
sleep "${QUORREL_SHOT_DELAY:-6}"
window=$(xwininfo -root -tree 2>/dev/null | grep -F '"Quorrel-V1.0  (Vantry)"' | awk '{print $1}' | head -n1 || true)
if [ -n "$window" ]; then
    import -window "$window" "$shot"
else
    import -window root "$shot"
fi
echo "screenshot: $shot"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
if [ -n "$xvfb_ours" ]; then
    kill "$xvfb_ours" 2>/dev/null || true
    if [ -n "$xvfb_before" ]; then echo "$xvfb_before" >build/xvfb.pid; else rm -f build/xvfb.pid; fi
fi
