#!/usr/bin/env bash
# The README's tour, run as written: its ```sh blocks are taken from the
# "Tour" section and run, line by line, in a scratch copy of a fresh clone's
# layout (examples/ beside the tour folder) with the built programs first on
# the PATH. Skipped, as they need a display: the on-screen plot (vorlane /p1)
# and fenwold. Nothing in the tour prints (vorlane /H keeps the sheets as
# files). Then every file the tour names is checked, and no run may have
# warned about its settings.
#   readme_tour.sh SOURCE_DIR BUILD_DIR
set -u
src=$(realpath "$1") build=$(realpath "$2")
for p in converter/talvex plotter/vorlane tools/ostrand/ostrand tools/kelpin/kelpin tools/cd11gen/cd11gen; do
  [ -x "$build/$p" ] || { echo "skip: $p not built"; exit 77; }
done
export PATH=$build/converter:$build/plotter:$build/tools/ostrand:$build/tools/kelpin:$build/tools/cd11gen:$PATH
unset SUDS_ETC DISPLAY
T=$(mktemp -d "${TMPDIR:-/tmp}/readme_tour.XXXXXX")
trap 'rm -rf "$T"' EXIT
export HOME=$T/home
mkdir -p "$HOME"
cp -r "$src/examples" "$T/examples"
fail() { echo "FAIL: $*"; exit 1; }

awk '/^## Tour/ { on = 1; next } /^## / { on = 0 } on' "$src/README.md" |
  awk '/^```sh$/ { block = 1; next } /^```/ { block = 0; next } block' >"$T/commands"
[ -s "$T/commands" ] || fail "no commands in the README's tour"

cd "$T"
ran=0
while IFS= read -r line; do
  case "$line" in
  "" | \#*) continue ;;
  vorlane\ /p1* | fenwold*) echo "-- skipped (needs a display): $line"; continue ;;
  esac
  echo "-- $line"
  # cd must last from one line to the next: run in this shell.
  eval "$line" >"$T/out" 2>"$T/err" </dev/null || {
    cat "$T/out" "$T/err"
    fail "exit status $? from: $line"
  }
  grep -E "WARNING|ERROR" "$T/out" "$T/err" && fail "'$line' warned"
  ran=$((ran + 1))
done <"$T/commands"
[ $ran -ge 10 ] || fail "only $ran commands ran"

cd "$T/tour" || fail "no tour folder"
for f in event3.msed event3.asc event3_BHZ.asc event3_BHN.asc event3_BHE.asc event3.suds \
  event3.wtx event3.info twoloc_00.msed twoloc_10.msed twoloc_00.suds twoloc_10.suds \
  plot0000.plx event3.pdf rec.cd11 vorlane.log; do
  [ -s "$f" ] || fail "the tour made no $f"
done
grep -q "^Processing INI file: trelkit.ini" vorlane.log || fail "vorlane did not read the tour's trelkit.ini"
[ "$(head -c 5 event3.pdf)" = "%PDF-" ] || fail "event3.pdf is no PDF"
[ "$(wc -l <event3.info)" -eq 3 ] || fail "event3.info does not list 3 channels"
echo "PASS: $ran commands of the README's tour"
