#!/usr/bin/env bash
# cli_ctrl_c_test.sh QUORREL_CLI ENGINE_SIM: Ctrl+C in `quorrel-cli search` as a console user
# presses it (Wine turns SIGINT into the console's Ctrl+C event).
#   1. Mid-search it stops the workers: the rows already printed and their count, no later page,
#      "stopped by Ctrl+C" on standard error, exit status 130.
#   2. Ctrl+C pressed again and again while searches end never crashes or hangs the program,
#      whichever moment it meets (the handler and the end of the search race).
set -uo pipefail
cli=$1
sim=$2
work=$(mktemp -d)
trap 'kill "$simPid" 2>/dev/null; rm -rf "$work"' EXIT
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

# The simulator picks a free port and names it on its first line.
start_sim() {
    wine "$sim" --port=0 "$@" >"$work/sim.log" 2>&1 </dev/null &
    simPid=$!
    for _ in $(seq 200); do
        port=$(sed -n 's/^engine-sim listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/sim.log")
        [ -n "$port" ] && return 0
        sleep 0.1
    done
    echo "engine-sim did not start"
    cat "$work/sim.log"
    exit 1
}

# Waits (30 s at most) until the engine has been asked for more than $1 pages in all.
wait_for_pages_over() {
    for _ in $(seq 3000); do
        [ "$(grep -c '^GET' "$work/sim.log")" -gt "$1" ] && return 0
        sleep 0.01
    done
}

# The unix process Wine runs the program in.
cli_pid() {
    pgrep -f "^[^ ]*quorrel-cli.exe search $1" | head -1
}

# 1. Three pages of 50 for each of two services, 4 s a page: stopped after the first pages.
start_sim --latency=4000 --hits=120
timeout 60 wine "$cli" search stopme --services=1,2 --engine=127.0.0.1:"$port" \
    >"$work/out" 2>"$work/err" </dev/null &
runner=$!
wait_for_pages_over 1
sleep 0.5  # both first pages delivered; the second pages are on their way
pid=$(cli_pid stopme)
[ -n "$pid" ] || fail "quorrel-cli is not running"
kill -INT "$pid"
wait "$runner"
status=$?
[ "$status" = 130 ] || fail "exit status $status after Ctrl+C, expected 130"
# The first service's first page; the second's waits for the first service to end, so it
# never comes.
rows=$(grep -c $'^[0-9]*\t' "$work/out")
[ "$rows" = 50 ] || fail "$rows rows after Ctrl+C, expected the 50 of the first page"
[ "$(tail -1 "$work/out")" = "资源数：$rows" ] || fail "last line: $(tail -1 "$work/out")"
grep -q '^quorrel-cli search: stopped by Ctrl+C$' "$work/err" || fail "standard error: $(cat "$work/err")"
kill "$simPid" 2>/dev/null
wait "$simPid" 2>/dev/null

# 2. Short searches (8 pages at 30 ms) and Ctrl+C every few milliseconds, from 0 to 280 ms after
# the first page was asked: mid-search, as the workers end, as the count is printed, after the
# handler is gone. Never before the first page: Ctrl+C in a process's first milliseconds meets
# Wine's own start-up, which can crash or hang inside Wine before the program runs.
start_sim --hits=60 --latency=30
for round in $(seq 8); do
    asked=$(grep -c '^GET' "$work/sim.log")
    timeout 60 wine "$cli" search race$round --services=1,2,3,4 --engine=127.0.0.1:"$port" \
        >"$work/out$round" 2>"$work/err$round" </dev/null &
    runner=$!
    wait_for_pages_over "$asked"
    sleep "$(printf '0.%03d' $(((round - 1) * 40)))"
    while kill -0 "$runner" 2>/dev/null; do
        pid=$(cli_pid race$round)
        [ -n "$pid" ] && kill -INT "$pid" 2>/dev/null
        sleep 0.005
    done
    wait "$runner"
    status=$?
    # 0: ended before a Ctrl+C met the handler; 130: stopped; 58 (the low byte of
    # STATUS_CONTROL_C_EXIT): met the system's handler after the program's was removed.
    case $status in
        0 | 130 | 58) ;;
        124) fail "round $round: still running after 60 s" ;;
        *) fail "round $round: exit status $status: $(head -c 500 "$work/err$round")" ;;
    esac
    if grep -qi 'unhandled\|exception' "$work/err$round"; then fail "round $round: $(head -c 500 "$work/err$round")"; fi
done
[ "$failed" = 0 ] && echo "cli Ctrl+C: passed"
exit "$failed"
