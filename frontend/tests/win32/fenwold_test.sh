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
# openbox without key bindings: Alt+Space opens the window's system menu.
mkdir -p "$scratch/home/.config/openbox"
cat >"$scratch/home/.config/openbox/rc.xml" <<'RC'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc"><keyboard></keyboard></openbox_config>
RC
wine_gui_start "$scratch"
# Private folders that an aborted earlier run left in the prefix go.
rm -rf "$WINEPREFIX"/drive_c/users/*/Temp/fenwold.* 2>/dev/null
run=$scratch/run
data="$run/my data"   # a blank in the path, as users' folders have
out="$run/saved"
mkdir -p "$data" "$out" "$run/by-hand" "$shots"
cp "$examples/event3.cd11" "$examples/event3.prt" "$data/"
cp "$examples/event3.cd11" "$run/by-hand/"
# A damaged recording: its frame header unreadable.
cp "$examples/event3.cd11" "$data/damaged.cd11"
printf '\177\177\177\177\177\177\177\177' | dd of="$data/damaged.cd11" conv=notrunc status=none
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
# Waits for a trace line after the first $from; without it the scenario
# cannot go on.
from=0
line() {
    local i
    for i in $(seq 400); do
        tr -d '\r' <"$trace" | tail -n +$((from + 1)) | grep -qxF "fenwold: $1" && return 0
        sleep 0.05
    done
    echo "FAIL: no trace line \"fenwold: $1\"; trace:"
    cat "$trace"
    exit 1
}
# Lines so far: later waits look only at what comes after them.
mark() { from=$(wc -l <"$trace"); }
# Waits for a trace line that begins with $1.
line_start() {
    local i
    for i in $(seq 200); do
        tr -d '\r' <"$trace" | grep -q "^fenwold: $1" && return 0
        sleep 0.1
    done
    echo "FAIL: no trace line beginning \"fenwold: $1\""
    fail=1
}
# Clicks a control of the main window by its traced rectangle.
click() {
    local x y w h
    read -r x y w h < <(tr -d '\r' <"$trace" | sed -n "s/^fenwold: control $1: \([0-9-]*\) \([0-9-]*\) \([0-9]*\) \([0-9]*\) .*/\1 \2 \3 \4/p" | head -1)
    xdotool mousemove --window "$W" $((x + w / 2)) $((y + h / 2)) click 1
}
# Answers the box that the trace line announces with a key, after a look.
answer() { # trace-line key [shot]
    line "$1"
    sleep 0.7
    [ -n "${3:-}" ] && import -window "$(xdotool getactivewindow)" "$shots/$3.png"
    xdotool key "$2"
}
# Types a full Windows path into the file dialog titled $1.
choose() { # title windows-path
    local d
    d=$(wine_gui_window "$1") || { echo "FAIL: no dialog \"$1\""; exit 1; }
    xdotool windowactivate --sync "$d" >/dev/null 2>&1
    sleep 0.3
    # The file name box has the focus; whatever it offers is replaced.
    xdotool key ctrl+a
    xdotool type --delay 15 "$2"
    xdotool key Return
}

# The outputs as talvex.exe writes them when run by hand.
(cd "$run/by-hand" && wine "$bin/talvex.exe" -s -v event3.cd11 >/dev/null 2>&1 &&
    mkdir suds && mv event3.suds suds/ &&
    wine "$bin/talvex.exe" -v event3.cd11 >/dev/null 2>&1 &&
    wine "$bin/talvex.exe" -v -a event3.cd11 >/dev/null 2>&1 &&
    mkdir one && cd one && cp ../event3.cd11 . &&
    wine "$bin/talvex.exe" -v -casc event3.cd11 >/dev/null 2>&1)

# --version and --help answer where the output goes, and open no window.
check "--version" "fenwold $(sed -n 's/^project(.*VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../../CMakeLists.txt")" \
    "$(wine "$bin/fenwold.exe" --version | tr -d '\r')"
check "--help" "Usage: fenwold [--help | --version]" "$(wine "$bin/fenwold.exe" --help | head -1 | tr -d '\r')"

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
# The main window back on top of the info window, for the clicks.
xdotool windowactivate --sync "$W" >/dev/null 2>&1
sleep 0.3

# Quick View: vorlane.exe shows the file in its plot window, with the
# picks of event3.prt beside the recording; Escape ends the sheet.
click quick-view
P=$(wine_gui_window "Plot window - event3[.]suds") || { echo "FAIL: no plot window"; fail=1; }
if [ -n "${P:-}" ]; then
    sleep 2
    import -window "$P" "$shots/quick-view.png"
    xdotool windowactivate --sync "$P" >/dev/null 2>&1
    xdotool key Escape
    for i in $(seq 100); do xdotool search --onlyvisible --name "^Plot window - " >/dev/null 2>&1 || break; sleep 0.1; done
fi
xdotool windowactivate --sync "$W" >/dev/null 2>&1
sleep 0.3

# A damaged file: the box says why and offers the report; the open
# recording stays.
click open
line "dialog: Open TALVEX Data File"
choose "Open TALVEX Data File" "$(win "$data/damaged.cd11")"
line "message: Error importing selected CD1.1 file!     "
line_start "detail: ERROR: "
answer "message: Error importing selected CD1.1 file!     " Return import-failure
check "labels shown" 1 "$(grep -c '^fenwold: label: ' "$trace")"
grep -q "^fenwold: offer: " "$trace" && { echo "FAIL: Return took the offer"; fail=1; }

# A long recording: Escape while its import works ends the converter; the
# open recording stays. (The Cancel button and the progress bar show after
# 0.3 s; on a fast machine the import may be over by then, so the key comes
# at once.)
gen=$bin/cd11gen.exe
[ -f "$gen" ] || gen=$(dirname "$bin")/tools/cd11gen/cd11gen.exe
if [ -f "$gen" ]; then
    # 120 MB: its import takes about a second.
    (cd "$data" && wine "$gen" -r 200 -n 90000 -s walk -c TALV1:BHZ: -c TALV1:BHN: \
        -c TALV1:BHE: long.cd11 >/dev/null 2>&1)
    click open
    line "dialog: Open TALVEX Data File"
    choose "Open TALVEX Data File" "$(win "$data/long.cd11")"
    line "busy: Importing long.cd11"
    xdotool windowactivate --sync "$W" key Escape >/dev/null 2>&1
    line "cancel: Importing long.cd11"
    answer "message: Conversion cancelled!     " Return
    check "labels shown after a cancel" 1 "$(grep -c '^fenwold: label: ' "$trace")"
else
    echo "note: no cd11gen.exe, the cancel is not tried"
fi

# Each format: radio button, Convert File, Save As into the saved folder.
convert() { # radio saved-name shot
    click "$1"
    line "format: $(tr -d '\r' <"$trace" | sed -n "s/^fenwold: control $1: [0-9 -]* //p" | head -1)"
    click convert
    line "dialog: Save Output File As"
    choose "Save Output File As" "$(win "$out/$2")"
}
report() { # saved-name [report line of the further files]
    echo "File $(win "$data/event3.cd11") converted to $(win "$out/$1")${2:-}"
}
convert suds event3.suds
answer "message: $(report event3.suds)" Return report-suds
# Each later conversion's information file replaces the one saved before.
replace_question="question: $(win "$out/event3.wtx") already exists. \\n Do you want to replace it?"
convert mini-seed event3.msed
answer "message: $(report event3.msed)" Return report-mini-seed
answer "$replace_question" Return replace-question
convert ascii-multi event3.asc
answer "message: $(report event3.asc)" Return
answer "$replace_question" Return
# One file per channel: the first under its offered name, the others follow
# without a dialog, in the order the converter named them.
mapfile -t channel_files < <(tr -d '\r' <"$run/by-hand/one/event3.wtx" |
    sed -n 's/.*Output file: //p' | sed 's/.*[\\/]//')
[ "${#channel_files[@]}" -gt 1 ] || { echo "FAIL: talvex.exe -casc named ${#channel_files[@]} files"; exit 1; }
convert ascii-one "${channel_files[0]}"
further=
for f in "${channel_files[@]:1}"; do further+="     \\r$(win "$out/$f")"; done
answer "message: $(report "${channel_files[0]}" "$further")" Return report-ascii-one
answer "$replace_question" Return

for f in suds/event3.suds event3.msed event3.asc; do
    cmp -s "$run/by-hand/$f" "$out/$(basename "$f")" || { echo "FAIL: saved $(basename "$f") differs"; fail=1; }
done
for f in "${channel_files[@]}"; do
    cmp -s "$run/by-hand/one/$f" "$out/$f" || { echo "FAIL: saved $f differs"; fail=1; }
done
[ -f "$out/event3.wtx" ] || { echo "FAIL: no information file beside the outputs"; fail=1; }

# The long recording open, its slow conversion ended with the Cancel button
# once it writes its outputs (Escape if that pass is not seen in time, as for
# the import): the save folder and the data stay as they were, nothing of
# the run stays in the temp folder, the recording stays current and
# converts afterwards.
if [ -f "$data/long.cd11" ]; then
    mark
    click open
    choose "Open TALVEX Data File" "$(win "$data/long.cd11")"
    line "label: File: $(win "$data/long.cd11")"
    sums() { (cd "$run" && find saved "my data" -type f -exec md5sum {} + | sort); }
    before=$(sums)
    click ascii-one
    mark
    click convert
    work="Converting long.cd11 to ASCII, one file per channel"
    line "busy: $work"
    for i in $(seq 100); do
        tr -d '\r' <"$trace" | tail -n +$((from + 1)) | grep -q "^fenwold: progress: Pass 2 " && break
        sleep 0.02
    done
    if [ "$i" -lt 100 ]; then click cancel; else xdotool windowactivate --sync "$W" key Escape; fi
    line "cancel: $work"
    answer "message: Conversion cancelled!     " Return conversion-cancelled
    line "idle: $work"
    check "save folder and data after a cancel" "$before" "$(sums)"
    left=$(ls "$(winepath -u "$temp")"/*/long_* 2>/dev/null)
    check "partial outputs after a cancel" "" "$left"
    check "labels after the cancel" "" "$(tr -d '\r' <"$trace" | tail -n +$((from + 1)) | grep '^fenwold: label: ')"
    mkdir -p "$run/by-hand/long" && ln -f "$data/long.cd11" "$run/by-hand/long/"
    (cd "$run/by-hand/long" && wine "$bin/talvex.exe" -v long.cd11 >/dev/null 2>&1)
    mark
    click mini-seed
    click convert
    choose "Save Output File As" "$(win "$out/long.msed")"
    answer "message: File $(win "$data/long.cd11") converted to $(win "$out/long.msed")" Return
    cmp -s "$run/by-hand/long/long.msed" "$out/long.msed" || { echo "FAIL: long.msed after a cancel differs"; fail=1; }
    rm -rf "$data/long.cd11" "$run/by-hand/long" "$out"/long.*
fi

# Two locations of one channel: the import writes a SUDS file for each, the
# user picks the second; File Info and Mini-SEED follow the one picked (the
# first location has one more second and another sensor, to tell them apart).
if [ -f "$gen" ]; then
    (cd "$data" && wine "$gen" -p 1 -c TALV1:BHZ:00 -c TALV1:BHZ:10:2 rec.cd11 >/dev/null 2>&1)
    mkdir -p "$run/by-hand/loc" && cp "$data/rec.cd11" "$run/by-hand/loc/"
    (cd "$run/by-hand/loc" && wine "$bin/talvex.exe" -s -v rec.cd11 >/dev/null 2>&1 &&
        wine "$bin/ostrand.exe" /l rec_10.suds >/dev/null 2>&1 &&
        wine "$bin/talvex.exe" -v rec.cd11 >/dev/null 2>&1)
    cmp -s "$run/by-hand/loc/rec_00.msed" "$run/by-hand/loc/rec_10.msed" &&
        { echo "FAIL: the two locations convert alike"; fail=1; }
    mark
    click open
    choose "Open TALVEX Data File" "$(win "$data/rec.cd11")"
    line_start "message: Multiple SUDS files were generated in the temporary folder "
    folder=$(tr -d '\r' <"$trace" | sed -n 's/^fenwold: message: Multiple SUDS files were generated in the temporary folder \(.*\)\. Select .*/\1/p')
    check "folder of the SUDS files" "$temp" "${folder%\\*}"
    answer "message: Multiple SUDS files were generated in the temporary folder $folder. Select one file to be processed now; the others can be processed later. \\nWARNING: Files not saved before exiting the program will be removed from the temporary folder!" Return multiple-warning
    line "dialog: Multiple SUDS Files generated - Select SUDS File"
    M=$(wine_gui_window "Multiple SUDS Files generated - Select SUDS File") && sleep 0.5 &&
        import -window "$M" "$shots/multiple-choice.png"
    choose "Multiple SUDS Files generated - Select SUDS File" rec_10.suds
    line "chosen: $folder\\rec_10.suds"
    line "label: File: $(win "$data/rec.cd11")"
    xdotool windowactivate --sync "$W" >/dev/null 2>&1
    click file-info
    line "info: 1 lines"
    I=$(wine_gui_window "TALVEX Data File Info") && sleep 0.5 && import -window "$I" "$shots/info-location.png"
    cmp -s "$run/by-hand/loc/rec_10.info" "$(winepath -u "$folder")/rec_10.info" ||
        { echo "FAIL: File Info does not list rec_10.suds"; fail=1; }
    xdotool windowactivate --sync "$W" >/dev/null 2>&1
    sleep 0.3
    mark
    click mini-seed
    click convert
    line "dialog: Save Output File As"
    S=$(wine_gui_window "Save Output File As") && xdotool windowactivate --sync "$S" >/dev/null 2>&1
    sleep 0.3
    xdotool key Return # the offered name
    answer "message: File $(win "$data/rec.cd11") converted to $(win "$out/rec_10.msed")" Return report-location
    cmp -s "$run/by-hand/loc/rec_10.msed" "$out/rec_10.msed" || { echo "FAIL: saved rec_10.msed differs"; fail=1; }
fi

# About from the system menu: Alt+Space, its last item.
xdotool windowactivate --sync "$W" >/dev/null 2>&1
xdotool key alt+space
sleep 0.7
import -window root "$shots/system-menu.png"
xdotool key Up Return
line "dialog: About Fenwold"
A=$(wine_gui_window "About Fenwold") || { echo "FAIL: no About box"; exit 1; }
sleep 0.5
import -window "$A" "$shots/about.png"
xdotool key Return
line "closed: About Fenwold"

# Close: the info window goes with the main window, the temp folder too.
xdotool windowactivate --sync "$W" >/dev/null 2>&1
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
