#!/usr/bin/env bash
# Quorrel without the internet: starts the search-engine simulator (engine-sim.exe) on
# 127.0.0.1 and the program pointed at it with --engine, so every search finds hits.
# Type a keyword, tick some services and press 给我搜. Closing the program stops the simulator.
# --profile=NAME (baidu, bing, sogou, so360, duckduckgo) makes the simulator serve that engine's
# layout and the program read it; --netdisks=today makes it serve share links of today's netdisks
# (codes in the links, titles and snippets) and the program search today's service list;
# --mode=mentions searches the pages that mention each netdisk (the simulator serves forum posts,
# blog articles, link lists and hostile pages behind its results); other arguments go to the
# program.
# Without a display it runs on a virtual display, saves a screenshot of the window (the path
# is printed) and stops.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
port=${QUORREL_DEMO_PORT:-0}  # 0: any free port
layout=classic
netdisks=classic
mode=site
for arg in "$@"; do
    case "$arg" in
        --profile=*) layout=${arg#--profile=} ;;
        --netdisks=*) netdisks=${arg#--netdisks=} ;;
        --mode=*) mode=${arg#--mode=} ;;
    esac
done
./scripts/install-deps.sh
./scripts/build.sh

. scripts/wine-env.sh
show_up

simlog=build/win/engine-sim.log
: >"$simlog"
wine build/win/tools/engine_sim/engine-sim.exe --port="$port" --latency=150 --layout="$layout" --netdisks="$netdisks" >"$simlog" 2>&1 </dev/null &
sim=$!
for _ in $(seq 100); do grep -q listening "$simlog" && break; sleep 0.1; done
if ! grep -q listening "$simlog"; then
    echo "demo: the simulator did not start (see $simlog)" >&2
    kill "$sim" 2>/dev/null || true
    exit 1
fi
engine=$(grep -o 'listening on [0-9.:]*' "$simlog" | head -n1 | awk '{print $3}')
echo "demo: engine simulator on $engine, layout $layout, netdisks $netdisks, mode $mode"
stop_sim() { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
trap stop_sim EXIT

if [ "$headless" = 0 ]; then
    wine build/win/app/quorrel.exe --engine="$engine" --netdisk-via="$engine" "$@"
    exit 0
fi

# No display: show that the program came up against the simulator, save a picture, stop.
show_shot "$PWD/build/win/screenshots/demo.png" build/win/app/quorrel.exe --engine="$engine" --netdisk-via="$engine" "$@"
if [ "$mode" = mentions ]; then
    # The same search on the command line: every share found where it is mentioned, with its code.
    echo "demo: quorrel-cli search 电子书 --mode=mentions (first rows; failed pages on stderr):"
    wine build/win/tools/cli/quorrel-cli.exe search 电子书 --netdisks="$netdisks" --profile="$layout" --mode=mentions \
        --format=jsonl --engine="$engine" </dev/null 2>&1 | head -n 25 || true
fi
stop_sim
show_down
