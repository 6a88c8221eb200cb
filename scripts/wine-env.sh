# Sourced by the scripts that run Windows binaries: one Wine prefix inside the build tree,
# a warm wineserver, and a virtual display when there is none.
# Everything Wine starts in the background writes to $QUORREL_BUILD/wine.log, never to our
# stdout: Wine's services keep inherited pipes open and would stall ctest and CI.

QUORREL_ROOT=${QUORREL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
QUORREL_BUILD=${QUORREL_BUILD:-$QUORREL_ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$QUORREL_BUILD/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64
export LANG=${QUORREL_LANG:-zh_CN.UTF-8}
export LC_ALL=$LANG
WINE_LOG=$QUORREL_BUILD/wine.log

wine_display_up() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    # Xvfb picks a free display itself and tells us which: stale sockets of earlier servers
    # cannot make us guess wrong.
    local numberFile=$QUORREL_BUILD/xvfb.display
    rm -f "$numberFile"
    # Wine processes left from an earlier display (its desktop above all) would hand the new
    # one's programs X resources of the old server, which end them with BadWindow.
    wineserver -k >>"$WINE_LOG" 2>&1 </dev/null || true
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$numberFile" >>"$WINE_LOG" 2>&1 </dev/null &
    echo $! >"$QUORREL_BUILD/xvfb.pid"
    local i
    for i in $(seq 100); do
        if [ -s "$numberFile" ]; then
            export DISPLAY=:$(tr -d '[:space:]' <"$numberFile")
            xdpyinfo >/dev/null 2>&1 && return 0
        fi
        sleep 0.1
    done
    echo "wine-env: could not start Xvfb (see $WINE_LOG)" >&2
    return 1
}

# Wine's own fonts (Debian's fonts-wine: Marlett for the caption buttons, Tahoma, MS Sans Serif...)
# lie in /usr/share/wine/fonts, where this Wine looks for them under a path it cannot open
# ("...\wine\../fonts"), so they are linked into the prefix's Fonts folder, which it does read.
# Every start, not only when priming: prefixes primed before the fonts were installed get them too.
wine_fonts_linked() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts font
    [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ] || return 0
    for font in /usr/share/wine/fonts/*; do
        [ -e "$fonts/${font##*/}" ] || ln -s "$font" "$fonts/${font##*/}"
    done
}

wine_up() {
    mkdir -p "$QUORREL_BUILD"
    wine_display_up || return 1
    if [ ! -f "$WINEPREFIX/.quorrel-primed" ]; then
        echo "wine-env: priming Wine prefix $WINEPREFIX" >&2
        wineboot -i >>"$WINE_LOG" 2>&1 </dev/null
        # Chinese systems have 宋体; a fresh prefix does not. Map it to an installed CJK font.
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '宋体' /d 'WenQuanYi Micro Hei' /f >>"$WINE_LOG" 2>&1 </dev/null
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'SimSun' /d 'WenQuanYi Micro Hei' /f >>"$WINE_LOG" 2>&1 </dev/null
        wineserver -w
        touch "$WINEPREFIX/.quorrel-primed"
    fi
    wine_fonts_linked
    # Exits non-zero when a server is already up, which is just as good.
    wineserver -p >>"$WINE_LOG" 2>&1 </dev/null || true
    # Without a window manager Wine waits 2 s for every managed window it hides or destroys.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$WINE_LOG" 2>&1 </dev/null || true
    # Start the prefix's services now, with their output in the log, not later under ctest.
    wine cmd /c exit >>"$WINE_LOG" 2>&1 </dev/null || true
}

# For the scripts that show the program to a person (run.sh, demo.sh): Wine up as wine_up
# brings it, and `headless` set to 1 when there was no display to show it on (0 otherwise).
# A virtual display started for it is the caller's to stop with show_down.
show_up() {
    headless=1
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then headless=0; fi
    show_xvfb_before=$(cat "$QUORREL_BUILD/xvfb.pid" 2>/dev/null || true)
    wine_up || return 1
    show_xvfb_ours=$(cat "$QUORREL_BUILD/xvfb.pid" 2>/dev/null || true)
    [ "$show_xvfb_ours" != "$show_xvfb_before" ] || show_xvfb_ours=""
}

# Stops the virtual display show_up started, if it started one; the one there before stays.
show_down() {
    [ -n "${show_xvfb_ours:-}" ] || return 0
    kill "$show_xvfb_ours" 2>/dev/null || true
    if [ -n "$show_xvfb_before" ]; then
        echo "$show_xvfb_before" >"$QUORREL_BUILD/xvfb.pid"
    else
        rm -f "$QUORREL_BUILD/xvfb.pid"
    fi
    show_xvfb_ours=""
}

# show_shot SHOT PROGRAM [ARGUMENTS...]: runs the Windows program without a person watching,
# saves a picture of its main window (of the whole screen when it has none) as SHOT after
# QUORREL_SHOT_DELAY seconds (6), prints its path and ends the program.
show_shot() {
    local shot=$1 pid window
    shift
    mkdir -p "$(dirname "$shot")"
    wine "$@" >>"$WINE_LOG" 2>&1 </dev/null &
    pid=$!
    sleep "${QUORREL_SHOT_DELAY:-6}"
    window=$(xwininfo -root -tree 2>/dev/null | grep -F '"Quorrel-V1.0  (Vantry)"' | awk '{print $1}' | head -n1 || true)
    import -window "${window:-root}" "$shot"
    echo "screenshot: $shot"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

wine_down() {
    wineserver -k >>"$WINE_LOG" 2>&1 </dev/null || true
    if [ -f "$QUORREL_BUILD/xvfb.pid" ]; then
        kill "$(cat "$QUORREL_BUILD/xvfb.pid")" 2>/dev/null || true
        rm -f "$QUORREL_BUILD/xvfb.pid"
    fi
}
