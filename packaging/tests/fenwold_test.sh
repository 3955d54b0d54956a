#!/usr/bin/env bash
# The installed fenwold finds talvex and ostrand beside it: `cmake --install`
# into a scratch prefix, then fenwold_siblings.sh drives it under Xvfb.
. "$(dirname "$0")/common.sh"
parse_programs "$@"
have fenwold || skip "fenwold is not built"
make_scratch
prefix=$scratch/prefix
if ! "$CMAKE_COMMAND" --install "$TALVEX_BUILD_DIR" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log" >&2
    fail "cmake --install failed"
    finish
fi
bindir=$(sed -n 's/^CMAKE_INSTALL_BINDIR:[A-Z]*=//p' "$TALVEX_BUILD_DIR/CMakeCache.txt")
bindir=${bindir:-bin}
find_recording "$scratch/rec.cd11" "${built[cd11gen]:-}" || skip "no recorder file to open"
"$(dirname "$0")/fenwold_siblings.sh" "$prefix/$bindir" "$scratch/rec.cd11" ||
    fail "the installed fenwold did not run its siblings"
finish
