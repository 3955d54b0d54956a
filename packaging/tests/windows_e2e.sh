#!/usr/bin/env bash
# The Windows programs (run under Wine) against the Linux build on the example
# recordings, in a folder with blanks and one with characters outside ASCII:
# Mini-SEED, ASCII, SUDS and .PLX outputs must be byte-identical, libmseed
# must read every Mini-SEED record talvex.exe writes, and the text files
# (information file, listing, log) must have Windows line ends.
#   windows_e2e.sh LINUX_BUILD WINDOWS_BUILD
# Wine's prefix comes from the environment (WINEPREFIX), made by the caller.
set -uo pipefail
linux=$(cd "$1" && pwd)
win=$(cd "$2" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
export WINEDEBUG=-all

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cc -o "$scratch/mseed_check" "$src/packaging/tests/mseed_check.c" $(pkg-config --cflags --libs mseed) ||
    { echo "cannot build the libmseed checker"; exit 1; }

lx() { local p=$1; shift; "$linux/$p" "$@"; }
wx() { local p=$1; shift; wine "$win/$p.exe" "$@"; }

same() {  # same LABEL A B
    if ! cmp -s "$2" "$3"; then fail "$1: $(basename "$3") differs from the Linux build's"; fi
}

# Every line ends in CR LF; with the CRs taken out it holds what Linux wrote.
text_file() {  # text_file LABEL WINFILE LINUXFILE [normalise-sed]
    [ -s "$2" ] || { fail "$1: $(basename "$2") missing"; return; }
    if [ "$(grep -c $'\r$' "$2")" != "$(wc -l <"$2")" ]; then
        fail "$1: $(basename "$2") has lines without CR LF"
    fi
    if [ -n "${4:-}" ]; then
        diff <(tr -d '\r' <"$2" | sed -e "$4") <(sed -e "$4" "$3") >"$scratch/diff" ||
            fail "$1: $(basename "$2") differs beyond its line ends: $(head -5 "$scratch/diff")"
    fi
}

run_case() {  # run_case FOLDERNAME
    local name=$1 L="$scratch/linux/$1" W="$scratch/windows/$1"
    mkdir -p "$L" "$W"
    for d in "$L" "$W"; do
        cp "$src"/examples/event3.* "$src"/examples/twoloc.cd11 "$src"/examples/trelkit.ini "$d/"
    done
    echo "== $name"
    # Mini-SEED (the Windows run is given an absolute Windows path).
    (cd "$L" && lx converter/talvex -v event3.cd11 >/dev/null 2>&1)
    (cd "$W" && wx converter/talvex -v "$(winepath -w "$W/event3.cd11" 2>/dev/null)" >"$W/msed.out" 2>&1) ||
        fail "$name: talvex.exe -v exited $?: $(tail -3 "$W/msed.out")"
    same "$name mseed" "$L/event3.msed" "$W/event3.msed"
    "$scratch/mseed_check" "$W/event3.msed" >"$W/check.out" 2>&1 ||
        fail "$name: libmseed refused talvex.exe's records: $(cat "$W/check.out")"
    # The information file: text, naming the outputs by the paths of each system.
    text_file "$name wtx" "$W/event3.wtx" "$L/event3.wtx"
    # ASCII, one file and one per channel (explicit CR LF on both systems).
    for sw in -a -casc; do
        rm -f "$L"/*.asc "$W"/*.asc
        (cd "$L" && lx converter/talvex -v $sw event3.cd11 >/dev/null 2>&1)
        (cd "$W" && wx converter/talvex -v $sw event3.cd11 >/dev/null 2>&1) || fail "$name: talvex.exe $sw failed"
        for f in "$L"/*.asc; do same "$name $sw" "$f" "$W/$(basename "$f")"; done
    done
    # SUDS, both examples (twoloc splits into one file per location).
    for rec in event3 twoloc; do
        (cd "$L" && lx converter/talvex -s -v $rec.cd11 >/dev/null 2>&1)
        (cd "$W" && wx converter/talvex -s -v $rec.cd11 >/dev/null 2>&1) || fail "$name: talvex.exe -s $rec failed"
    done
    local n=0
    for f in "$L"/*.suds; do same "$name suds" "$f" "$W/$(basename "$f")"; n=$((n + 1)); done
    [ "$n" -eq 3 ] || fail "$name: $n SUDS files from the Linux build, 3 expected"
    # The channel listing (text).
    if [ -f "$win/tools/ostrand/ostrand.exe" ]; then
        (cd "$L" && lx tools/ostrand/ostrand /l event3.suds >/dev/null 2>&1)
        (cd "$W" && wx tools/ostrand/ostrand /l event3.suds >/dev/null 2>&1) || fail "$name: ostrand.exe failed"
        text_file "$name info" "$W/event3.info" "$L/event3.info" 's/[[:space:]]*$//'
    fi
    # A hardcopy plot into the plot queue, and vorlane's log (text). The
    # heading shows the session time: both runs read one fixed clock.
    if [ -f "$win/plotter/vorlane.exe" ]; then
        export SOURCE_DATE_EPOCH=1158920430
        (cd "$L" && TMP="$L" SUDS_ETC="$L" lx plotter/vorlane /P3 /H /M event3.suds >/dev/null 2>&1)
        (cd "$W" && TMP="$(winepath -w "$W")" SUDS_ETC="$(winepath -w "$W")" \
            wx plotter/vorlane /P3 /H /M event3.suds >"$W/vorlane.out" 2>&1) ||
            fail "$name: vorlane.exe failed: $(tail -3 "$W/vorlane.out")"
        same "$name plx" "$L/plot0000.plx" "$W/plot0000.plx"
        text_file "$name log" "$W/vorlane.log" "$L/vorlane.log"
        unset SOURCE_DATE_EPOCH
    fi
}

run_case "plain"
run_case "with blanks in it"
run_case "Aufnahme ä Δ €"

if [ "$failures" -ne 0 ]; then
    echo "windows e2e: $failures failure(s)"
    exit 1
fi
echo "windows e2e: every output identical to the Linux build's"
