#!/bin/bash
# The Windows plot window under Wine: it opens with its title, paints the
# picture of plot_window_check.exe in the plotter's colours and pen styles,
# repaints at a new size, turns Escape, a key without a character and a
# right click into events, and closing it ends the wait.
#
#   plot_window_test.sh PLOT_WINDOW_CHECK.EXE SCRATCH [SHOTS]
set -u
exe=$1 scratch=$2 shots=${3:-$2}
. "$(dirname "$0")/../../../../tests/windows/wine_gui.sh"
rm -rf "$scratch/home" "$scratch/out"
wine_gui_start "$scratch"
mkdir -p "$shots"
fail=0
check() { # what expected actual
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected $2, got $3"
        fail=1
    fi
}

wine "$exe" >"$scratch/out" 2>"$scratch/err" &
plot=$!
wine_gui_line "$scratch/out" open || exit 1
W=$(wine_gui_window 'Vexil check') || {
    echo "FAIL: no window titled Vexil check"
    exit 1
}
sleep 1

# The X window of a managed Wine window is its client area: pixel (x, y) of
# the screenshot is the client pixel. The window is (0, 0, 10, 8), so user
# y maps to row H - trunc(y * H / 8).
picture() { # shot name
    local shot=$shots/$1.png w h H row green
    import -window "$W" "$shot"
    read -r w h < <(/usr/bin/convert "$shot" -format '%w %h' info:)
    H=$((h - 1))
    check "$1: middle" FF0000 "$(wine_gui_pixel "$shot" $((w / 2)) $((h / 2)))"
    check "$1: margin" FFFFFF "$(wine_gui_pixel "$shot" 3 $((h / 2)))"
    row=$((H - H / 8))
    check "$1: blue line" 0000FF "$(wine_gui_pixel "$shot" $((w / 3)) "$row")"
    check "$1: above the blue line" FFFFFF "$(wine_gui_pixel "$shot" $((w / 3)) $((row - 2)))"
    # The dotted green line: green and gaps along its row.
    row=$((H - (7 * H) / 8))
    green=$(/usr/bin/convert "$shot" -crop "${w}x1+0+$row" txt:- | grep -c '#00FF00')
    if [ "$green" -lt $((w / 5)) ] || [ "$green" -gt $((w * 4 / 5)) ]; then
        echo "FAIL: $1: $green of $w pixels of the dotted line are green"
        fail=1
    fi
}
picture plot-window
xdotool windowsize --sync "$W" 600 450
sleep 1
picture plot-window-resized
check "resized width" 600 "$(/usr/bin/convert "$shots/plot-window-resized.png" -format '%w' info:)"

xdotool windowactivate --sync "$W" >/dev/null 2>&1
xdotool key --window "$W" Escape
wine_gui_line "$scratch/out" "event 27" || fail=1
xdotool key --window "$W" F2 # VK_F2 (0x71) * 256
wine_gui_line "$scratch/out" "event 28928" || fail=1
xdotool mousemove --window "$W" 50 50 click 3
wine_gui_line "$scratch/out" "event 2" || fail=1
wmctrl -c 'Vexil check'
wine_gui_line "$scratch/out" "event 0" || fail=1
wine_gui_line "$scratch/out" "end" || fail=1
wait $plot
check "exit status" 0 $?
[ $fail = 0 ] && echo "plot window under Wine: ok"
exit $fail
