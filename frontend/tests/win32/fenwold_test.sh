#!/bin/bash
# fenwold.exe under Wine, end to end against the real talvex.exe and
# ostrand.exe beside it: Open through the file dialog, File Info, each
# conversion format with Save As and the final report, About from the
# system menu, Close. The saved files must equal what talvex.exe writes
# when run by hand; the temp folder must be gone at the end.
#
#   fenwold_test.sh PROGRAM_FOLDER EXAMPLES SCRATCH [SHOTS]
set -u
bin=$(realpath "$1") examples=$(realpath "$2") scratch=$(realpath -m "$3")
shots=$(realpath -m "${4:-$3/shots}")
. "$(dirname "$0")/../../../tests/windows/wine_gui.sh"
for p in fenwold talvex ostrand; do
    [ -f "$bin/$p.exe" ] || { echo "SKIP: no $bin/$p.exe"; exit 77; }
done
rm -rf "$scratch/home" "$scratch/run"
wine_gui_start "$scratch"
run=$scratch/run
data="$run/my data"   # a blank in the path, as users' folders have
out="$run/saved"
mkdir -p "$data" "$out" "$run/by-hand" "$shots"
cp "$examples/event3.cd11" "$data/"
cp "$examples/event3.cd11" "$run/by-hand/"
trace=$run/trace
: >"$trace"
win() { winepath -w "$1" 2>/dev/null; }
fail=0
check() { # what expected actual
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected \"$2\", got \"$3\""
        fail=1
    fi
}
# Waits for a trace line.
line() { wine_gui_line "$trace" "fenwold: $1" || { fail=1; return 1; }; }
# Clicks a control of the main window by its traced rectangle.
click() {
    local x y w h
    read -r x y w h < <(tr -d '\r' <"$trace" | sed -n "s/^fenwold: control $1: \([0-9-]*\) \([0-9-]*\) \([0-9]*\) \([0-9]*\) .*/\1 \2 \3 \4/p" | head -1)
    xdotool mousemove --window "$W" $((x + w / 2)) $((y + h / 2)) click 1
}
# The message box on top: the newest window titled Fenwold that is not
# the main window.
box() {
    local i b
    for i in $(seq 100); do
        b=$(xdotool search --onlyvisible --name '^Fenwold$' 2>/dev/null | grep -vx "$W" | tail -1)
        [ -n "$b" ] && { echo "$b"; return 0; }
        sleep 0.1
    done
    return 1
}
answer_box() { # key [shot]
    local b
    b=$(box) || { echo "FAIL: no message box"; fail=1; return 1; }
    sleep 0.3
    [ -n "${2:-}" ] && import -window "$b" "$shots/$2.png"
    xdotool windowactivate --sync "$b" >/dev/null 2>&1
    xdotool key --window "$b" "$1"
}
# Types a full Windows path into the file dialog titled $1.
choose() { # title windows-path
    local d
    d=$(wine_gui_window "$1") || { echo "FAIL: no dialog \"$1\""; fail=1; return 1; }
    sleep 0.5
    xdotool windowactivate --sync "$d" >/dev/null 2>&1
    # The file name box has the focus; whatever it offers is replaced.
    xdotool key --window "$d" ctrl+a
    xdotool type --delay 15 --window "$d" "$2"
    xdotool key --window "$d" Return
}

# The outputs as talvex.exe writes them when run by hand.
(cd "$run/by-hand" && wine "$bin/talvex.exe" -s -v event3.cd11 >/dev/null 2>&1 &&
    mkdir suds && mv event3.suds suds/ &&
    wine "$bin/talvex.exe" -v event3.cd11 >/dev/null 2>&1 &&
    wine "$bin/talvex.exe" -v -a event3.cd11 >/dev/null 2>&1 &&
    mkdir one && cd one && cp ../event3.cd11 . &&
    wine "$bin/talvex.exe" -v -casc event3.cd11 >/dev/null 2>&1)

(cd "$run" && FENWOLD_TRACE=$(win "$trace") wine "$bin/fenwold.exe" >"$run/out" 2>&1) &
fenwold=$!
for i in $(seq 300); do grep -q "^fenwold: ready: " "$trace" && break; sleep 0.1; done
W=$(wine_gui_window Fenwold) || { echo "FAIL: no window Fenwold"; cat "$run/out"; exit 1; }
temp=$(tr -d '\r' <"$trace" | sed -n 's/^fenwold: ready: //p')
[ -n "$temp" ] || { echo "FAIL: no temp folder traced"; cat "$trace"; exit 1; }
check "Open caption" "Open TALVEX File" \
    "$(tr -d '\r' <"$trace" | sed -n 's/^fenwold: control open: [0-9 -]* //p')"
sleep 0.5
import -window "$W" "$shots/main-start.png"

# Open through the file dialog.
click open
line "dialog: Open TALVEX Data File"
choose "Open TALVEX Data File" "$(win "$data/event3.cd11")"
line "enabled: all"
check "file label" "fenwold: label: File: $(win "$data/event3.cd11")" \
    "$(tr -d '\r' <"$trace" | grep '^fenwold: label: ' | tail -1)"
sleep 0.3
import -window "$W" "$shots/main-open.png"

# File Info: the modeless window lists every channel.
click file-info
I=$(wine_gui_window "TALVEX Data File Info") || { echo "FAIL: no info window"; fail=1; }
channels=$(grep -c . "$run/by-hand/suds/event3.info" 2>/dev/null ||
    (cd "$run/by-hand/suds" && wine "$bin/ostrand.exe" /l event3.suds >/dev/null 2>&1;
     grep -c . event3.info))
line "info: $channels lines"
sleep 0.5
[ -n "${I:-}" ] && import -window "$I" "$shots/info-window.png"

# Each format: radio button, Convert File, Save As into the saved folder.
convert() { # radio saved-name shot
    click "$1"
    line "format: $(tr -d '\r' <"$trace" | sed -n "s/^fenwold: control $1: [0-9 -]* //p" | head -1)"
    click convert
    line "dialog: Save Output File As"
    choose "Save Output File As" "$(win "$out/$2")"
}
convert suds event3.suds
line "message: File $(win "$data/event3.cd11") converted to $(win "$out/event3.suds")"
answer_box Return report-suds
convert mini-seed event3.msed
line "message: File $(win "$data/event3.cd11") converted to $(win "$out/event3.msed")"
answer_box Return report-mini-seed
convert ascii-multi event3.asc
line "message: File $(win "$data/event3.cd11") converted to $(win "$out/event3.asc")"
answer_box Return report-ascii-multi
# One file per channel: the first under its offered name, the others follow.
first=$(ls "$run/by-hand/one/"*.asc | head -1)
convert ascii-one "$(basename "$first")"
for i in $(seq 200); do grep -q "^fenwold: message: File .* converted to" <(tail -1 "$trace" | tr -d '\r') && break; sleep 0.1; done
answer_box Return report-ascii-one

for f in suds/event3.suds event3.msed event3.asc; do
    cmp -s "$run/by-hand/$f" "$out/$(basename "$f")" || { echo "FAIL: saved $(basename "$f") differs"; fail=1; }
done
n=0
for f in "$run/by-hand/one/"*.asc; do
    n=$((n + 1))
    cmp -s "$f" "$out/$(basename "$f")" || { echo "FAIL: saved $(basename "$f") differs"; fail=1; }
done
[ "$n" -gt 1 ] || { echo "FAIL: talvex.exe -casc wrote $n files"; fail=1; }
[ -f "$out/event3.wtx" ] || { echo "FAIL: no information file beside the outputs"; fail=1; }

# About from the system menu.
xdotool windowactivate --sync "$W" >/dev/null 2>&1
xdotool key --window "$W" alt+space
sleep 0.5
xdotool key a
A=$(wine_gui_window "About Fenwold") && {
    sleep 0.5
    import -window "$A" "$shots/about.png"
    xdotool windowactivate --sync "$A" >/dev/null 2>&1
    xdotool key --window "$A" Return
}
line "closed: About Fenwold"

# Close: the info window goes with the main window, the temp folder too.
click close
line "closed: main window"
for i in $(seq 100); do kill -0 $fenwold 2>/dev/null || break; sleep 0.1; done
kill -0 $fenwold 2>/dev/null && { echo "FAIL: fenwold.exe still runs"; fail=1; }
unix_temp=$(winepath -u "$temp" 2>/dev/null)
[ -n "$unix_temp" ] && [ -e "$unix_temp" ] && { echo "FAIL: temp folder $temp left"; fail=1; }
grep -q "^fenwold: closed: TALVEX Data File Info" <(tr -d '\r' <"$trace") ||
    { echo "FAIL: the info window stayed"; fail=1; }

[ $fail = 0 ] && echo "fenwold under Wine: ok" || { echo "trace:"; cat "$trace"; }
exit $fail
