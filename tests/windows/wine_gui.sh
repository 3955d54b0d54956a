# Shared steps of the window tests under Wine, sourced by the test scripts:
# a private Xvfb with openbox (Wine's windows take focus only under a window
# manager), one lasting wineserver in a scratch prefix, and helpers to wait
# for windows and lines and to read pixels.
#
#   wine_gui_start SCRATCH   sets DISPLAY, HOME, WINEPREFIX; exit 77 when a
#                            tool is missing
#   wine_gui_stop            ends what wine_gui_start started (trap on EXIT)

WINE_GUI_PIDS=()

wine_gui_need() {
    local t
    for t in "$@"; do
        command -v "$t" >/dev/null 2>&1 || {
            echo "SKIP: $t is not installed"
            exit 77
        }
    done
}

wine_gui_start() {
    local scratch=$1 i
    wine_gui_need wine wineserver Xvfb openbox xdotool wmctrl import
    mkdir -p "$scratch"
    export HOME=$scratch/home WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$HOME"
    # A prefix made once by the harness may be shared; otherwise one of our own.
    export WINEPREFIX=${TALVEX_WINEPREFIX:-$scratch/prefix}
    rm -f "$scratch/dpy"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$scratch/dpy" \
        2>"$scratch/xvfb.log" &
    WINE_GUI_PIDS+=($!)
    for i in $(seq 200); do
        [ -s "$scratch/dpy" ] && break
        sleep 0.05
    done
    export DISPLAY=:$(head -1 "$scratch/dpy")
    openbox >"$scratch/openbox.log" 2>&1 &
    WINE_GUI_PIDS+=($!)
    trap wine_gui_stop EXIT
    wineserver -p
    wineboot -i >"$scratch/wineboot.log" 2>&1
}

wine_gui_stop() {
    wineserver -k 2>/dev/null
    local p
    for p in "${WINE_GUI_PIDS[@]}"; do kill "$p" 2>/dev/null; done
    WINE_GUI_PIDS=()
}

# Window id by exact title, polled for up to 20 seconds.
wine_gui_window() {
    local w i
    for i in $(seq 200); do
        w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$w" ] && {
            echo "$w"
            return 0
        }
        sleep 0.1
    done
    return 1
}

# Waits up to 20 seconds until FILE holds a line equal to TEXT.
wine_gui_line() {
    local i
    for i in $(seq 200); do
        # Text-mode output of Windows programs ends its lines with \r\n.
        tr -d '\r' <"$1" 2>/dev/null | grep -qxF "$2" && return 0
        sleep 0.1
    done
    echo "FAIL: no line \"$2\" in $1:"
    cat "$1"
    return 1
}

# The colour of pixel X Y of an image as RRGGBB.
wine_gui_pixel() {
    /usr/bin/convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6
}
