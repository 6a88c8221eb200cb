#!/usr/bin/env bash
# setup_test.sh DIST VERSION: the installer as a user meets it, in a throw-away Wine prefix
# (build/setup-test/wine, made anew each run).
#   1. Quorrel-VERSION-setup.exe /S installs into %LOCALAPPDATA%\Programs\Quorrel the same
#      files as the portable zip, plus uninstall.exe; a Start-menu shortcut; the uninstall entry
#      under HKCU with name, version, icon, size and publisher; nothing in Program Files.
#   2. The installed quorrel-cli.exe --version prints VERSION; the installed quorrel.exe starts,
#      shows its main window and closes on request with exit status 0.
#   3. uninstall.exe /S removes what was installed, the shortcut and the entry, and keeps the
#      user's url.txt and exported list (and so the folder).
#   4. Installing again over those files leaves them alone; without them, uninstalling removes
#      the folder too.
# Prints one line per check and "setup: N passed, N failed" at the end; exits 1 on a failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
dist=$(cd "$1" && pwd)
version=$2
setup=$dist/Quorrel-$version-setup.exe
zip=$dist/Quorrel-$version-portable.zip
work=$root/build/setup-test

# A prefix of its own: nothing of the test prefix's state (or of an earlier run) can help.
# winemenubuilder is off so the shortcut does not reach this machine's desktop menus.
export QUORREL_BUILD=$work WINEPREFIX=$work/wine WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
. "$root/scripts/wine-env.sh"
rm -rf "$work"
mkdir -p "$work"
wine_display_up || exit 1  # the display of scripts/test.sh, or a virtual one of our own

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@" >>"$work/checks.log" 2>&1; then
        passed=$((passed + 1))
        echo "ok   $what"
    else
        failed=$((failed + 1))
        echo "FAIL $what"
    fi
}
finish() {
    wineserver -k >>"$WINE_LOG" 2>&1 </dev/null || true
    if [ -f "$work/xvfb.pid" ]; then
        kill "$(cat "$work/xvfb.pid")" 2>/dev/null || true
        rm -f "$work/xvfb.pid"
    fi
    echo "setup: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
trap 'finish; exit $?' EXIT

# Wine's output goes to the log; only what a check needs is captured.
w() { wine "$@" 2>>"$WINE_LOG" </dev/null; }

[ -f "$setup" ] && [ -f "$zip" ] || { echo "setup_test: $setup or $zip missing" >&2; failed=1; exit 1; }
echo "setup_test: fresh Wine prefix $WINEPREFIX"
wineboot -i >>"$WINE_LOG" 2>&1 </dev/null
w reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null

unixPath() { winepath -u "$1" 2>>"$WINE_LOG" | tr -d '\r'; }
winLocalAppData=$(w cmd /c echo %LOCALAPPDATA% | tr -d '\r')
appData=$(unixPath "$(w cmd /c echo %APPDATA% | tr -d '\r')")
programFiles=$(unixPath 'C:\Program Files')
winDir="$winLocalAppData\\Programs\\Quorrel"
dir=$(unixPath "$winLocalAppData")/Programs/Quorrel
shortcut="$appData/Microsoft/Windows/Start Menu/Programs/Quorrel.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorrel'
files=(quorrel.exe quorrel-cli.exe 使用说明.txt LICENSE.txt)

# The portable zip's files, to compare with what the installer puts down.
mkdir -p "$work/portable"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$work/portable"

# --- 1. silent install
check "setup.exe /S exits 0" w "$(winepath -w "$setup" 2>>"$WINE_LOG")" /S
check "installed into %LOCALAPPDATA%\\Programs\\Quorrel ($winDir)" test -d "$dir"
check "portable zip holds exactly ${files[*]}" \
    bash -c '[ "$(ls "$1" | sort)" = "$(printf "%s\n" "${@:2}" | sort)" ]' _ "$work/portable" "${files[@]}"
for f in "${files[@]}"; do
    check "installed $f is the zip's $f" cmp "$work/portable/$f" "$dir/$f"
done
check "uninstall.exe installed" test -f "$dir/uninstall.exe"
check "nothing in Program Files" bash -c '! ls "$1" | grep -qi quorrel' _ "$programFiles"
check "Start-menu shortcut Quorrel.lnk" test -f "$shortcut"
shortcut_target() {
    local text
    text=$(strings -a "$shortcut"; strings -a -el "$shortcut")
    grep -iF 'Programs\Quorrel\quorrel.exe' <<<"$text"
}
check "shortcut points at the installed quorrel.exe" shortcut_target
w reg query "$key" | tr -d '\r' >"$work/uninstall-entry.txt"
cat "$work/uninstall-entry.txt" >>"$work/checks.log"
entry() {  # entry NAME TYPE PATTERN: the value exists with this type and matches the pattern
    grep -qE "^ +$1 +$2 +$3\$" "$work/uninstall-entry.txt"
}
check "uninstall entry DisplayName" entry DisplayName REG_SZ 'Quorrel'
check "uninstall entry DisplayVersion $version" entry DisplayVersion REG_SZ "${version//./\\.}"
check "uninstall entry DisplayIcon" entry DisplayIcon REG_SZ '.*\\Programs\\Quorrel\\quorrel\.exe,0'
check "uninstall entry Publisher" entry Publisher REG_SZ 'Quorrel developers'
check "uninstall entry UninstallString" entry UninstallString REG_SZ '".*\\Programs\\Quorrel\\uninstall\.exe"'
check "uninstall entry QuietUninstallString" entry QuietUninstallString REG_SZ '".*\\uninstall\.exe" /S'
check "uninstall entry InstallLocation" entry InstallLocation REG_SZ '.*\\Programs\\Quorrel'
# EstimatedSize is in KiB: what the folder holds, within a block's rounding per file.
size_kb=$(( $(cat "$dir"/* | wc -c) / 1024 - 8 ))
check "uninstall entry EstimatedSize >= $size_kb KiB" bash -c '
    hex=$(grep -E "^ +EstimatedSize +REG_DWORD +0x[0-9a-f]+$" "$1" | awk "{print \$3}")
    [ -n "$hex" ] && [ $((hex)) -ge "$2" ] && [ $((hex)) -lt $(($2 * 2 + 100)) ]' _ "$work/uninstall-entry.txt" "$size_kb"

# --- 2. the installed programs run
check "installed quorrel-cli --version prints $version" \
    bash -c '[ "$(wine "$1\\quorrel-cli.exe" --version 2>>"$2" </dev/null | tr -d "\r")" = "quorrel-cli $3" ]' \
    _ "$winDir" "$WINE_LOG" "$version"
wine "$(winepath -w "$dir/quorrel.exe" 2>>"$WINE_LOG")" >>"$WINE_LOG" 2>&1 </dev/null &
gui=$!
window_up() {
    local i
    for i in $(seq 600); do
        xwininfo -root -tree 2>/dev/null | grep -qF '"Quorrel-V1.0  (Vantry)"' && return 0
        kill -0 "$gui" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
check "installed quorrel.exe shows its main window" window_up
# A picture for people reading the log (not a check): the window once it has painted.
sleep 1
window=$(xwininfo -root -tree 2>/dev/null | grep -F '"Quorrel-V1.0  (Vantry)"' | awk '{print $1}' | head -n1)
import -window "${window:-root}" "$work/installed.png" 2>>"$WINE_LOG" && echo "setup_test: screenshot $work/installed.png"
# taskkill without /F asks politely (WM_CLOSE), as closing the window does.
w taskkill /IM quorrel.exe >>"$WINE_LOG" 2>&1
gui_ended() {
    local i
    for i in $(seq 200); do
        kill -0 "$gui" 2>/dev/null || { wait "$gui"; return $?; }
        sleep 0.1
    done
    kill "$gui" 2>/dev/null
    return 1
}
check "quorrel.exe closes on request with exit status 0" gui_ended

# --- 3. silent uninstall keeps the user's files
printf 'example.com;example.org' >"$dir/url.txt"
printf '1\tx\thttp://example.com/\r\n' >"$dir/电影资源列表.txt"
# The uninstaller copies itself to %TEMP% and runs from there: wait for all of the prefix's
# processes, not just the one started.
w "$winDir\\uninstall.exe" /S
wineserver -w
for f in "${files[@]}" uninstall.exe; do
    check "uninstall removed $f" test ! -e "$dir/$f"
done
check "uninstall kept url.txt" cmp <(printf 'example.com;example.org') "$dir/url.txt"
check "uninstall kept 电影资源列表.txt" test -f "$dir/电影资源列表.txt"
check "uninstall removed the shortcut" test ! -e "$shortcut"
check "uninstall removed the uninstall entry" bash -c '! wine reg query "$1" >/dev/null 2>&1 </dev/null' _ "$key"

# --- 4. a second install over the user's files, then an uninstall without them
check "setup.exe /S over kept files exits 0" w "$(winepath -w "$setup" 2>>"$WINE_LOG")" /S
check "second install kept url.txt" cmp <(printf 'example.com;example.org') "$dir/url.txt"
check "second install put quorrel.exe back" cmp "$work/portable/quorrel.exe" "$dir/quorrel.exe"
rm -f "$dir/url.txt" "$dir/电影资源列表.txt"
w "$winDir\\uninstall.exe" /S
wineserver -w
check "uninstall of a folder without user files removes the folder" test ! -e "$dir"
