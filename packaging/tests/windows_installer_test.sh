#!/usr/bin/env bash
# Makes the Windows installer (CPack, NSIS), installs it silently under Wine
# into a scratch folder with a blank in its name, checks what it installed and
# runs the installed talvex.exe on an installed example; the front end gets
# a Start-menu entry and runs its window scenario from the installed tree.
#   windows_installer_test.sh WINDOWS_BUILD
# Exit 77 (skipped) when makensis is missing.
set -uo pipefail
build=$(cd "$1" && pwd)
export WINEDEBUG=-all
command -v makensis >/dev/null || { echo "makensis not found"; exit 77; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && "${CPACK_COMMAND:-cpack}" -G NSIS -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1) ||
    { tail -30 "$scratch/cpack.log"; echo "FAIL: cpack -G NSIS"; exit 1; }
installer=$(ls "$scratch"/pkg/talvex-*-win64.exe 2>/dev/null | head -n 1)
[ -n "$installer" ] || { ls "$scratch/pkg"; echo "FAIL: no installer made"; exit 1; }
echo "installer: $(basename "$installer"), $(stat -c %s "$installer") bytes"

prefix="$scratch/Program Files/TALVEX tool set"
# NSIS takes /D last and unquoted, blanks included: the command interpreter
# passes the line as it is (wine itself would quote the argument).
(cd "$(dirname "$installer")" &&
    wine cmd /c "$(basename "$installer") /S /D=$(winepath -w "$prefix")") || fail "the installer exited $?"
for f in bin/talvex.exe bin/vorlane.exe bin/ostrand.exe bin/cd11gen.exe trelkit.ini \
         examples/event3.cd11 doc/talvex.1.txt Uninstall.exe; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
# No MinGW DLL has to sit beside the programs.
if ls "$prefix"/bin/*.dll >/dev/null 2>&1; then fail "DLLs installed: $(ls "$prefix"/bin/*.dll)"; fi
grep -q $'\r$' "$prefix/doc/talvex.1.txt" || fail "talvex.1.txt has no Windows line ends"

work="$scratch/work"
mkdir -p "$work"
cp "$prefix/examples/event3.cd11" "$work/"
(cd "$work" && wine "$prefix/bin/talvex.exe" -v event3.cd11 >"$work/out" 2>&1) ||
    fail "installed talvex.exe exited $?: $(tail -5 "$work/out")"
grep -q "Output file:" "$work/out" || fail "installed talvex.exe named no output: $(tail -5 "$work/out")"
[ -s "$work/event3.msed" ] || fail "installed talvex.exe wrote no event3.msed"
if [ -f "$build/converter/talvex.exe" ]; then
    mkdir -p "$work/b" && cp "$prefix/examples/event3.cd11" "$work/b/"
    (cd "$work/b" && wine "$build/converter/talvex.exe" -v event3.cd11 >/dev/null 2>&1)
    cmp -s "$work/event3.msed" "$work/b/event3.msed" || fail "the installed talvex.exe writes other bytes than the built one"
fi

# The front end: its Start-menu entry, and, installed, the window scenario
# (it finds the programs beside it and converts the installed example).
if [ -f "$build/frontend/fenwold.exe" ]; then
    [ -f "$prefix/bin/fenwold.exe" ] || fail "not installed: bin/fenwold.exe"
    lnk=$(find "${WINEPREFIX:-$HOME/.wine}/drive_c" -iname 'Fenwold.lnk' 2>/dev/null | head -n 1)
    if [ -z "$lnk" ]; then
        fail "no Start-menu entry Fenwold.lnk"
    elif ! tr -d '\0' <"$lnk" | grep -qiF 'bin\fenwold.exe'; then
        fail "the Start-menu entry does not start bin\fenwold.exe"
    fi
    gui=${TALVEX_SOURCE_DIR:-}/frontend/tests/win32/fenwold_test.sh
    if [ -x "$gui" ]; then
        "$gui" "$prefix/bin" "$prefix/examples" "$scratch/gui" >"$scratch/gui.log" 2>&1
        case $? in
            0) echo "installed fenwold.exe: $(tail -n 1 "$scratch/gui.log")" ;;
            77) echo "installed fenwold.exe: $(tail -n 1 "$scratch/gui.log")" ;;
            *) tail -n 30 "$scratch/gui.log"; fail "the installed fenwold.exe scenario failed" ;;
        esac
    fi
fi

[ "$failures" -eq 0 ] || { echo "windows installer: $failures failure(s)"; exit 1; }
echo "windows installer: installed and ran"
