#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix (ctest's cross-compiling emulator).
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ -z "${DISPLAY:-}" ] && [ -f "$QUORREL_BUILD/display" ]; then export DISPLAY=$(cat "$QUORREL_BUILD/display"); fi
# A server that is already up makes this a no-op; otherwise it must not inherit our pipes.
wineserver -p >>"$WINE_LOG" 2>&1 </dev/null
exec wine "$@"
