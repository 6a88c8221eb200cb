#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorrel (quorrel.exe) under Wine.
# Arguments are passed to the program (for example --engine=127.0.0.1:8765).
# With a display the program runs until you close it. Without one it runs on a virtual display,
# a screenshot of its window is saved (the path is printed) and the program is stopped.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh
./scripts/build.sh

. scripts/wine-env.sh
show_up
program=build/win/app/quorrel.exe

if [ "$headless" = 0 ]; then
    exec wine "$program" "$@"
fi

show_shot "$PWD/build/win/screenshots/run.png" "$program" "$@"
show_down
