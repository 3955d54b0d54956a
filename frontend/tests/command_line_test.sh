#!/usr/bin/env bash
# fenwold --help and --version answer on standard output, exit 0, open no
# window (no display is set) and write nothing else, in no folder.
#   command_line_test.sh FENWOLD
set -u
fenwold=$(realpath "$1")
T=$(mktemp -d "${TMPDIR:-/tmp}/fenwold_cli.XXXXXX")
trap 'rm -rf "$T"' EXIT
mkdir "$T/cwd" "$T/tmp"
fail() { echo "FAIL: $*"; exit 1; }
run() { (cd "$T/cwd" && env -u DISPLAY -u WAYLAND_DISPLAY TMPDIR="$T/tmp" "$fenwold" "$@") >"$T/out" 2>"$T/err"; }

run --version || fail "--version: exit status $?"
[ "$(cat "$T/out")" = "fenwold 1.1.0" ] || fail "--version printed '$(cat "$T/out")'"
run --help || fail "--help: exit status $?"
head -1 "$T/out" | grep -q "^Usage: fenwold" || fail "--help printed '$(head -1 "$T/out")'"
[ -s "$T/err" ] && fail "--help wrote to standard error: $(cat "$T/err")"
left=$(find "$T/cwd" "$T/tmp" -mindepth 1)
[ -z "$left" ] || fail "files were written: $left"
echo PASS
