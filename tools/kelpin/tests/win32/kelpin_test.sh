#!/bin/bash
# kelpin.exe under Wine: PNG through the imaging component with the pixels
# where the cairo kelpin puts them (same page, rotation and scale), EMF,
# refusals, and a plot kept as EMF when no printer is set up.
#
#   kelpin_test.sh KELPIN.EXE SCRATCH
set -u
exe=$1 scratch=$2
command -v wine >/dev/null || {
    echo "SKIP: wine is not installed"
    exit 77
}
[ -f "$exe" ] || {
    echo "FAIL: no $exe"
    exit 1
}
rm -rf "$scratch/home" "$scratch/k"
mkdir -p "$scratch/home" "$scratch/k"
export HOME=$scratch/home WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The prefix of the test run (scripts/test-windows), else one of our own.
export WINEPREFIX=${TALVEX_WINEPREFIX:-${WINEPREFIX:-$scratch/prefix}}
unset DISPLAY # hardcopy needs no window system
k=$scratch/k
fail=0
check() { # what expected actual
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected $2, got $3"
        fail=1
    fi
}
# Windows names of our files: an argument beginning with "/" is a switch there.
w() { echo "Z:$(echo "$1" | tr / '\\')"; }
pixel() { /usr/bin/convert "$1" -format "%[hex:p{$2,$3}]" info: 2>/dev/null | cut -c1-6; }
size() { /usr/bin/convert "$1" -format '%w %h' info: 2>/dev/null; }
kelpin() { # args...; sets rc, out, err
    wine "$exe" "$@" >"$k/out" 2>"$k/err"
    rc=$?
    out=$(tr -d '\r' <"$k/out")
    err=$(tr -d '\r' <"$k/err")
}

# Window (0, 0, 10, 8), colour 4 (red), style 0, pen up to (5, 0), pen down
# to (5, 8), end.
head='\x00\x7D\0\0\0\0\0\0\0\0\0\0\x20\x41\0\0\0\x41\x01\x7D\x04\0\x02\x7D\0\0'
line='\x03\0\0\0\xA0\x40\0\0\0\0\x02\0\0\0\xA0\x40\0\0\0\x41'
printf "$head$line\x01\x80" >"$k/in plot.plx"
# The same start, then pen (2, 3, -3); window (-2, -3, 8, 5); pen (1, 0, 2);
# pen (0, 1, 12).
shift='\xFD\xFF\0\0\0\x40\0\0\x40\x40\x00\x7D\0\0\0\xC0\0\0\x40\xC0\0\0\0\x41\0\0\xA0\x40'
pens='\x02\0\0\0\x80\x3F\0\0\0\0\x0C\0\0\0\0\0\0\0\x80\x3F'
printf "$head$shift$pens\x01\x80" >"$k/s.plx"

# Rotated as the plot window shows it: x = 5 is half way down, a red line
# from left to right.
kelpin -o "$(w "$k/a.png")" "$(w "$k/in plot.plx")"
check "png: status ($err)" 0 $rc
check "png: size" "1296 1600" "$(size "$k/a.png")"
check "png: middle" FF0000 "$(pixel "$k/a.png" 648 800)"
check "png: quarter" FF0000 "$(pixel "$k/a.png" 324 800)"
check "png: above" FFFFFF "$(pixel "$k/a.png" 648 790)"
check "png: margin" FFFFFF "$(pixel "$k/a.png" 5 800)"
kelpin -u -o "$(w "$k/b.png")" "$(w "$k/in plot.plx")"
check "unrotated: size" "1600 1296" "$(size "$k/b.png")"
check "unrotated: line" FF0000 "$(pixel "$k/b.png" 800 324)"
check "unrotated: beside" FFFFFF "$(pixel "$k/b.png" 810 324)"
# 40 pixels of margin, 152 pixels per unit, y up: the cairo kelpin's numbers.
kelpin /u /o "$(w "$k/s.png")" "$(w "$k/s.plx")"
check "shifted: old (2, 3) to (3, 3)" FF0000 "$(pixel "$k/s.png" 420 800)"
check "shifted: on to (3, 4)" FF0000 "$(pixel "$k/s.png" 496 724)"
check "shifted: not unshifted" FFFFFF "$(pixel "$k/s.png" 192 1180)"

# EMF: the header's signature and its frame (0.01 mm) of an A4-high page;
# a red geometric pen and line records.
kelpin -o "$(w "$k/a.EMF")" "$(w "$k/in plot.plx")"
check "emf: status ($err)" 0 $rc
emf=$(python3 - "$k/a.EMF" <<'EOF'
import struct, sys
d = open(sys.argv[1], 'rb').read()
kinds, red, pos = set(), False, 0
while pos + 8 <= len(d):
    t, n = struct.unpack_from('<II', d, pos)
    kinds.add(t)
    # EMR_EXTCREATEPEN (elpColor) or, for a plain pen, EMR_CREATEPEN (lopnColor)
    at = {95: 40, 38: 24}.get(t)
    if at and pos + at + 4 <= len(d) and struct.unpack_from('<I', d, pos + at)[0] == 0xFF:
        red = True
    if n < 8: break
    pos += n
print(d[40:44] == b' EMF', struct.unpack_from('<i', d, 36)[0], red, 54 in kinds, 14 in kinds)
EOF
)
check "emf: signature, frame height, red pen, lines, end" "True 29700 True True True" "$emf"

# Refusals.
head -c 30 "$k/in plot.plx" >"$k/cut.plx"
kelpin -o "$(w "$k/c.png")" "$(w "$k/cut.plx")"
check "cut file: status" 1 $rc
[[ $err == *"cut short"* ]] || { echo "FAIL: cut file: $err"; fail=1; }
[ -e "$k/c.png" ] && { echo "FAIL: cut file left c.png"; fail=1; }
kelpin -o "$(w "$k/c.gif")" "$(w "$k/in plot.plx")"
[[ $rc == 1 && $err == *"unknown output type"* ]] || { echo "FAIL: gif: $rc $err"; fail=1; }
kelpin -o "$(w "$k/no/such/c.png")" "$(w "$k/in plot.plx")"
[[ $rc == 1 && $err == *"cannot write"* ]] || { echo "FAIL: missing folder: $rc $err"; fail=1; }
kelpin
check "no arguments" 2 $rc

# Without a printer the plot is kept, and a second plot never replaces it.
export KELPIN_DIR=$(w "$k/kept")
kelpin "$(w "$k/in plot.plx")"
if [[ $out == "kelpin: no printer is set up; plot kept as "* ]]; then
    kelpin "$(w "$k/in plot.plx")"
    check "kept: status" 0 $rc
    check "kept: files" 2 "$(ls "$k/kept" | grep -c '^plot-.*\.emf$')"
else
    echo "note: a default printer is set up here ($rc $out $err); keeping not checked"
fi
[ $fail = 0 ] && echo "kelpin under Wine: ok"
exit $fail
