#!/usr/bin/env bash
# End-to-end run of the real fenwold under its own Xvfb, driven with
# xdotool: open the example recorder file through the file chooser, look at
# its info window and its Quick View, convert it to Mini-SEED with a
# converter that works longer than 10 s (progress shown), save it and check
# the saved file; convert again and cancel midway (nothing outside the
# private folder changes); open a damaged file (the box gives the
# converter's cause, the recording stays the current one); close.
# Screenshots stay in the work folder for people to look at.
#   gui_test.sh FENWOLD WORKDIR EXAMPLES_DIR
# Exit 77 (skipped) when a tool or the example is missing.
set -u
fenwold=$(realpath "$1") work=$(realpath -m "$2") examples=$(realpath "$3")

for tool in Xvfb xdotool xdpyinfo import; do
  command -v $tool >/dev/null || { echo "skip: $tool missing"; exit 77; }
done
[ -f "$examples/event3.cd11" ] || { echo "skip: no example recorder file"; exit 77; }
for p in talvex vorlane ostrand; do
  [ -x "$(dirname "$fenwold")/$p" ] || { echo "skip: $p not beside fenwold"; exit 77; }
done

rm -rf "$work"; mkdir -p "$work/data" "$work/saved" "$work/tmp" "$work/home" "$work/bin"
cp "$examples"/event3.* "$work/data/"
cp "$examples/trelkit.ini" "$work/"
# A damaged recording: its frame header unreadable.
cp "$examples/event3.cd11" "$work/data/damaged.cd11"
printf '\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f' | dd of="$work/data/damaged.cd11" conv=notrunc status=none
# fenwold runs the programs of its own folder: a copy of it beside the real
# plotter and lister and a converter that, converting (not importing),
# works 11 s longer and says how far it is, as the real one does.
real=$(dirname "$fenwold")
cp "$fenwold" "$work/bin/fenwold"
for p in vorlane ostrand; do ln -s "$(realpath "$real/$p")" "$work/bin/$p"; done
cat >"$work/bin/talvex" <<WRAPPER
#!/bin/bash
case " \$* " in
*" -s "*) ;;
*) for i in \$(seq 0 22); do
     echo "progress 1 2 \$i 22" >&\${TALVEX_PROGRESS_FD:-2}
     sleep 0.5
   done ;;
esac
exec "$(realpath "$real/talvex")" "\$@"
WRAPPER
chmod +x "$work/bin/talvex"
fenwold=$work/bin/fenwold
export HOME=$work/home XDG_RUNTIME_DIR=$work/home TMPDIR=$work/tmp
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 FENWOLD_TRACE=1
# In a sanitizer build, what GTK keeps until the end is not our leak.
export LSAN_OPTIONS="suppressions=$(dirname "$(realpath "$0")")/lsan-gtk.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
out=$work/out
XVFB= FW=
cleanup() {
  [ -n "$FW" ] && kill "$FW" 2>/dev/null
  [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- fenwold output"; cat "$out"; exit 1; }

# Xvfb picks a free display; a probe that fails gets one more try.
start_x() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/dpy" 2>"$work/xvfb.log" &
  XVFB=$!
  for i in $(seq 200); do [ -s "$work/dpy" ] && break; sleep 0.05; done
  export DISPLAY=:$(head -1 "$work/dpy")
  xdpyinfo >/dev/null 2>&1
}
start_x || { kill $XVFB; start_x || fail "no X display"; }

# Polls for a line of fenwold's trace (an extended regular expression).
from=1   # wait_line looks at the trace from this line on
wait_line() {
  for i in $(seq 600); do
    tail -n +$from "$out" 2>/dev/null | grep -Eq "$1" && return 0
    kill -0 "$FW" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}
# Window id by exact title, polled; with an id to skip, another one.
wid() {
  local w
  for i in $(seq 300); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -vx "${2:-none}" | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
# Clicks the middle of a control named in the trace.
click() {
  local x y w h
  read -r x y w h < <(grep "fenwold: control $1: " "$out" | tail -1 | sed 's/.*: //')
  [ -n "$h" ] || fail "no position for $1"
  xdotool mousemove --window "$main" $((x + w / 2)) $((y + h / 2)) click 1
}
# Types a path into a file chooser; typing that the chooser's completion
# spoiled leaves it open, and is done again.
type_path() {
  for attempt in 1 2 3; do
    xdotool windowfocus --sync "$1" 2>/dev/null || return 0
    [ "${3:-}" = location ] && xdotool key --clearmodifiers ctrl+l
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 12 "$2"
    xdotool key Return
    for i in $(seq 200); do
      xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
      xdotool search --onlyvisible --name "^$(xdotool getwindowname "$1" 2>/dev/null)\$" 2>/dev/null |
        grep -qx "$1" || return 0
      sleep 0.05
    done
  done
}

(cd "$work" && exec "$fenwold") >"$out" 2>"$work/err" &
FW=$!
wait_line "fenwold: ready: " || fail "window did not come up"
main=$(wid Fenwold) || fail "no main window"
xdotool windowfocus --sync "$main"
import -window root "$work/main-empty.png"

# Open through the chooser.
click open
wait_line "fenwold: dialog: Open TALVEX Data File" || fail "no open dialog"
chooser=$(wid "Open TALVEX Data File") || fail "open chooser not shown"
sleep 0.3
import -window root "$work/open-chooser.png"
type_path "$chooser" "$work/data/event3.cd11" location
wait_line "fenwold: (enabled|message): " || fail "open did not finish"
grep -q "fenwold: enabled: all" "$out" || fail "open failed"
grep -q "fenwold: label: File: $work/data/event3.cd11" "$out" || fail "file label"
sleep 0.3
import -window root "$work/main-open.png"

# The info window.
click file-info
wait_line "fenwold: info: [1-9][0-9]* lines" || fail "no info window"
info=$(wid "TALVEX Data File Info") || fail "info window not shown"
# Without a window manager it opens over the main window: move it below.
xdotool windowmove --sync "$info" 0 520
sleep 0.3
import -window root "$work/info.png"

# Quick View: the plotter beside its file, with the picks of event3.prt.
click quick-view
plot=$(wid "Plot window - event3[.]suds") || fail "no plot window"
sleep 1.5
import -window root "$work/quick-view.png"
xdotool windowfocus --sync "$plot" 2>/dev/null
xdotool key --window "$plot" Escape 2>/dev/null
# Its log is complete once it has ended.
for i in $(seq 200); do grep -q "Hypocenter data file: event3.prt" "$work/vorlane.log" 2>/dev/null && break; sleep 0.05; done
grep -q "Hypocenter data file: event3.prt" "$work/vorlane.log" ||
  fail "the plotter did not read event3.prt (vorlane.log in the start folder)"
grep -q "Input SUDS data file: event3.suds" "$work/vorlane.log" || fail "the plotter was not given the name alone"
xdotool windowfocus --sync "$main"

# Mini-SEED, saved into another folder, by a converter working > 10 s.
click mini-seed
wait_line "fenwold: format: Mini-SEED" || fail "format not chosen"
started=$(date +%s)
click convert
wait_line "fenwold: busy: Converting event3.cd11 to Mini-SEED" || fail "no sign of work"
wait_line "fenwold: progress: Pass 1 of 2: reading the recorder file - [1-9]" || fail "no progress shown"
sleep 0.5
import -window root "$work/progress.png"
wait_line "fenwold: dialog: Save Output File As" || fail "no save dialog"
took=$(($(date +%s) - started))
[ $took -ge 10 ] || fail "the converter took only $took s"
[ "$(grep -c "fenwold: progress: " "$out")" -ge 5 ] || fail "progress not followed"
saver=$(wid "Save Output File As") || fail "save chooser not shown"
type_path "$saver" "$work/saved/event3.msed"
wait_line "fenwold: message: " || fail "no final report"
grep -q "fenwold: message: File $work/data/event3.cd11 converted to $work/saved/event3.msed" "$out" ||
  fail "final report"
box=$(wid Fenwold "$main") || fail "report box not shown"
sleep 0.3
import -window root "$work/report.png"
xdotool windowfocus --sync "$box"
xdotool key Return

# The saved file: whole 4096-byte records, each with a data header.
saved=$work/saved/event3.msed
[ -s "$saved" ] || fail "nothing saved"
size=$(stat -c %s "$saved")
[ $((size % 4096)) -eq 0 ] || fail "saved size $size is no whole number of records"
for ((at = 0; at < size; at += 4096)); do
  head=$(dd if="$saved" bs=1 skip=$at count=8 2>/dev/null)
  [[ $head =~ ^[0-9]{6}[DRQM]\ $ ]] || fail "record at $at starts with '$head'"
done
temp=$(sed -n 's/^fenwold: ready: //p' "$out")
cmp -s "$saved" "$temp/1/event3.msed" || fail "saved file differs"
wait_line "fenwold: (question|chosen)" >/dev/null
[ -f "$work/saved/event3.wtx" ] || sleep 1
[ -f "$work/saved/event3.wtx" ] || fail "information file not kept beside the output"

# Again, cancelled midway: nothing outside the private folder changes, and
# nothing of the cancelled run stays inside it.
outside() { (cd "$work" && find data saved home trelkit.ini -type f -exec md5sum {} + | sort); }
before=$(outside)
lines=$(wc -l <"$out")
from=$((lines + 1))
click convert
wait_line "fenwold: progress: Pass 1 of 2: reading the recorder file - [1-9]" || fail "no progress the second time"
click cancel
wait_line "fenwold: message: Conversion cancelled!" || fail "cancel not reported"
box=$(wid Fenwold "$main") || fail "cancel box not shown"
xdotool windowfocus --sync "$box"
xdotool key Return
[ "$(outside)" = "$before" ] || fail "files outside the private folder changed"
left=$(cd "$temp/1" && ls | sort | tr '\n' ' ')
# (event3.msed is the first run's, untouched.)
[ "$left" = "event3.cd11 event3.evl event3.evt event3.info event3.msed event3.prt event3.suds vorlane.log " ] ||
  fail "left in the private folder after cancel: $left"
cmp -s "$saved" "$temp/1/event3.msed" || fail "the cancelled run changed the earlier output"
tail -n +$((lines + 1)) "$out" | grep -q "fenwold: dialog: Save" && fail "a cancelled run offered to save"

# A damaged file: the box says why, and event3 stays the current recording.
click open
chooser=$(wid "Open TALVEX Data File") || fail "open chooser not shown"
sleep 0.3
type_path "$chooser" "$work/data/damaged.cd11" location
wait_line "fenwold: message: Error importing selected CD1.1 file!" || fail "no import failure"
wait_line "fenwold: detail: ERROR: Unexpected data frame type found" || fail "no cause shown"
box=$(wid Fenwold "$main") || fail "failure box not shown"
sleep 0.3
import -window root "$work/failure.png"
xdotool windowfocus --sync "$box"
xdotool key Return
[ "$(grep -c "fenwold: label: " "$out")" -eq 1 ] || fail "the label changed"
click file-info
wait_line "fenwold: info-file: File: $work/data/event3.cd11" || fail "the recording is no longer event3"
info=$(wid "TALVEX Data File Info") && xdotool windowmove --sync "$info" 0 520
[ -d "$temp/2" ] && fail "the failed Open left its folder"

# The About box, from its button and from the window menu.
click about
wait_line "fenwold: dialog: About Fenwold" || fail "no About box"
about=$(wid "About Fenwold") || fail "About box not shown"
sleep 0.3
import -window root "$work/about.png"
xdotool windowfocus --sync "$about"
xdotool key Return
for i in $(seq 200); do xdotool search --onlyvisible --name "^About Fenwold\$" >/dev/null 2>&1 || break; sleep 0.05; done
xdotool mousemove --window "$main" 8 8 click 3
wait_line "fenwold: menu: window menu" || fail "no window menu"
xdotool key Escape

# Close: the temp folder goes with the program.
click close
for i in $(seq 200); do kill -0 "$FW" 2>/dev/null || break; sleep 0.05; done
kill -0 "$FW" 2>/dev/null && fail "did not end on Close"
wait "$FW"; rc=$?; FW=
[ $rc -eq 0 ] || fail "exit status $rc"
[ ! -e "$temp" ] || fail "temp folder $temp left behind"
echo "PASS (screenshots in $work)"
