#!/usr/bin/env bash
# The installed fenwold runs the talvex and ostrand that lie beside it: under
# Xvfb it opens a recorder file through its file chooser, and its private
# working folder (under $TMPDIR) must receive the SUDS file of the import and
# the channel listing. Escape then closes it, and the folder must be gone.
# Usage: fenwold_siblings.sh BINDIR RECORDER_FILE
set -u
bindir=$1 rec=$2
for tool in Xvfb xdotool xdpyinfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "-- $tool is not installed: fenwold is not started"
        exit 0
    fi
done
[ -f "$rec" ] || { echo "no recorder file $rec" >&2; exit 1; }

T=$(mktemp -d "${TMPDIR:-/tmp}/fenwold-sib.XXXXXX")
xvfb=""
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$T"
}
trap cleanup EXIT
die() {
    echo "$*" >&2
    echo "--- fenwold stdout:" >&2; cat "$T/out" >&2 2>/dev/null
    echo "--- fenwold stderr (last lines):" >&2; tail -n 40 "$T/err" >&2 2>/dev/null
    if [ -n "$app" ] && ! kill -0 "$app" 2>/dev/null; then
        wait "$app"; echo "--- fenwold had ended with status $?" >&2
    fi
    /usr/bin/import -window root "$T/shot.png" 2>/dev/null &&
        cp "$T/shot.png" "${TMPDIR:-/tmp}/fenwold-siblings-failure.png" &&
        echo "screenshot: ${TMPDIR:-/tmp}/fenwold-siblings-failure.png" >&2
    exit 1
}

mkdir -p "$T/home" "$T/tmp" "$T/work"
cp "$rec" "$T/work/rec.cd11"
# FENWOLD_TRACE makes fenwold print its dialogs and messages on standard output.
export HOME=$T/home XDG_RUNTIME_DIR=$T/home GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 FENWOLD_TRACE=1

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$T/dpy" 2>"$T/xvfb.log" &
xvfb=$!
for _ in $(seq 200); do [ -s "$T/dpy" ] && break; sleep 0.05; done
[ -s "$T/dpy" ] || die "Xvfb did not start: $(cat "$T/xvfb.log")"
export DISPLAY=:$(head -n 1 "$T/dpy")
xdpyinfo >/dev/null 2>&1 || die "no display $DISPLAY"

(cd "$T/work" && TMPDIR=$T/tmp exec "$bindir/fenwold" >"$T/out" 2>"$T/err") &
app=$!

wid() {
    local w
    # Generous: a sanitized fenwold starting on a loaded machine is slow.
    for _ in $(seq 400); do
        w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        kill -0 "$app" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

main=$(wid Fenwold) || die "the Fenwold window did not appear"
# "Open TALVEX File" holds the focus when the window opens.
xdotool windowfocus --sync "$main" 2>/dev/null
xdotool key Return
chooser=$(wid 'Open TALVEX Data File') || die "Open did not show the file chooser"
xdotool windowfocus --sync "$chooser" 2>/dev/null
xdotool key --clearmodifiers ctrl+l
xdotool windowfocus --sync "$chooser" 2>/dev/null
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 12 "$T/work/rec.cd11"
xdotool key Return

# talvex -s -v writes rec.suds and rec.wtx, ostrand /l writes rec.info, all
# in the private folder fenwold made under $TMPDIR.
info=""
for _ in $(seq 300); do
    info=$(ls "$T"/tmp/fenwold.*/*/rec.info 2>/dev/null | head -n 1)
    [ -n "$info" ] && [ -s "$info" ] && break
    kill -0 "$app" 2>/dev/null || die "fenwold ended during the import"
    if grep -q '^fenwold: message: ' "$T/out" 2>/dev/null; then
        die "fenwold reported: $(grep '^fenwold: message: ' "$T/out" | head -n 1)"
    fi
    sleep 0.1
done
[ -n "$info" ] && [ -s "$info" ] || die "no channel listing: fenwold did not run talvex and ostrand from $bindir ($(ls -R "$T/tmp" 2>&1 | tr '\n' ' '))"
folder=$(dirname "$info")
[ -s "$folder/rec.suds" ] || die "no rec.suds beside the listing"
grep -q "Output file: $folder/rec.suds" "$folder/rec.wtx" || die "rec.wtx does not name rec.suds"
echo "-- fenwold imported through $bindir/talvex and listed through $bindir/ostrand"

# Escape closes the window; the private folder goes with it.
xdotool windowfocus --sync "$main" 2>/dev/null
xdotool key Escape
for _ in $(seq 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
    die "fenwold did not close on Escape"
fi
wait "$app" 2>/dev/null
app=""
[ ! -e "$folder" ] || die "fenwold left its working folder $folder behind"
exit 0
