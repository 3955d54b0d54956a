#!/usr/bin/env bash
# The Debian package made by CPack: its name, its control fields, that its
# Depends cover every shared library the programs load, that it holds every
# program, the man pages and the library, and that talvex runs from a
# scratch root unpacked with dpkg -x.
. "$(dirname "$0")/common.sh"
parse_programs "$@"
have talvex || skip "talvex is not built: no package to test"
for tool in dpkg-deb dpkg readelf; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
make_scratch

arch=$(dpkg --print-architecture)
deb_name=talvex_${TALVEX_VERSION}_${arch}.deb
if ! (cd "$TALVEX_BUILD_DIR" && "$CPACK_COMMAND" -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1; then
    tail -30 "$scratch/cpack.log" >&2
    fail "cpack -G DEB failed"
    finish
fi
deb=$scratch/out/$deb_name
if [ ! -f "$deb" ]; then
    fail "cpack made no $deb_name: $(ls "$scratch/out")"
    finish
fi

# --- control fields -----------------------------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = talvex ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$TALVEX_VERSION" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
dpkg-deb --info "$deb" >"$scratch/info" || fail "dpkg-deb --info failed"
depends=$(field Depends)
note "Depends: $depends"

# --- contents -----------------------------------------------------------------
dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$scratch/contents"
contains() {
    grep -qx "$1" "$scratch/contents" || fail "package lacks $1"
}
for prog in talvex vorlane fenwold ostrand kelpin cd11gen; do
    if have "$prog"; then
        contains "/usr/bin/$prog"
        contains "/usr/share/man/man1/$prog.1.gz"
    fi
done
have vorlane && contains /usr/share/man/man5/trelkit.ini.5.gz
[ -f "$TALVEX_SOURCE_DIR/examples/trelkit.ini" ] && contains /usr/share/talvex/trelkit.ini
if [ "$TALVEX_SUDS_INSTALLED" = 1 ]; then
    grep -Eqx '/usr/lib/([a-z0-9_-]+/)?libsuds\.a' "$scratch/contents" || fail "package lacks libsuds.a"
    grep -Eqx '/usr/lib/([a-z0-9_-]+/)?libtalvex_platform\.a' "$scratch/contents" || fail "package lacks libtalvex_platform.a"
    contains /usr/include/suds/suds.h
    grep -Eq '/pkgconfig/suds\.pc$' "$scratch/contents" || fail "package lacks suds.pc"
    grep -Eq '/cmake/suds/sudsConfig\.cmake$' "$scratch/contents" || fail "package lacks sudsConfig.cmake"
fi
if have fenwold; then
    contains /usr/share/applications/fenwold.desktop
    contains /usr/share/icons/hicolor/scalable/apps/fenwold.svg
fi
# Build and test files have no place in the package.
if grep -Eq '(_test|_tests|_bench|gtest|CMakeFiles)' "$scratch/contents"; then
    fail "package holds build or test files: $(grep -E '(_test|_tests|_bench|gtest|CMakeFiles)' "$scratch/contents" | head -3)"
fi

# --- unpack and check every program's shared libraries against Depends -------
root=$scratch/root
dpkg -x "$deb" "$root" || fail "dpkg -x failed"
dep_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/^ *//; s/ *$//; s/:.*//' | sort -u)
for bin in "$root"/usr/bin/*; do
    [ -f "$bin" ] || continue
    for lib in $(readelf -d "$bin" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        case "$lib" in ld-linux*|linux-vdso*) continue ;; esac
        path=$(ldconfig -p | awk -v l="$lib" '$1 == l && $NF ~ /^\// {print $NF; exit}')
        if [ -z "$path" ]; then
            fail "$(basename "$bin") needs $lib, which is not on this machine"
            continue
        fi
        owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n 1 | cut -d: -f1)
        [ -n "$owner" ] || owner=$(dpkg -S "$path" 2>/dev/null | head -n 1 | cut -d: -f1)
        if [ -z "$owner" ]; then
            fail "no Debian package owns $path"
        elif ! grep -qx "$owner" <<<"$dep_names"; then
            fail "$(basename "$bin") needs $lib from $owner, which Depends lacks"
        fi
    done
done

# --- the unpacked SUDS library, found through its relocatable suds.pc ---------
if [ "$TALVEX_SUDS_INSTALLED" = 1 ]; then
    pc=$(find "$root/usr/lib" -name suds.pc | head -n 1)
    san_flags=""
    [ "$TALVEX_SANITIZE" = 1 ] && san_flags="-fsanitize=address,undefined"
    # shellcheck disable=SC2046
    if [ -n "$pc" ] && g++ -std=c++20 $san_flags -o "$scratch/consumer" \
        "$(dirname "$0")/consumer/consumer.cpp" \
        $(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs suds) >"$scratch/cc.log" 2>&1; then
        "$scratch/consumer" >"$scratch/consumer.out" 2>&1 ||
            fail "consumer of the unpacked library: $(cat "$scratch/consumer.out")"
    else
        fail "building against the unpacked library failed: $(head -10 "$scratch/cc.log")"
    fi
fi

# --- run talvex from the scratch root ------------------------------------------
talvex=$root/usr/bin/talvex
usage=$("$talvex" 2>&1)
[ $? -eq 1 ] || fail "unpacked talvex without arguments does not exit 1"
grep -q 'Usage: TALVEX' <<<"$usage" || fail "unpacked talvex printed no usage text: $usage"
work=$scratch/work
mkdir -p "$work"
gen=""
[ -x "$root/usr/bin/cd11gen" ] && gen=$root/usr/bin/cd11gen
if find_recording "$work/rec.cd11" "$gen"; then
    (cd "$work" && "$talvex" -v rec.cd11 >talvex.out 2>&1)
    status=$?
    [ "$status" -eq 0 ] || fail "unpacked talvex -v: exit $status: $(tail -5 "$work/talvex.out")"
    [ -s "$work/rec.msed" ] || fail "unpacked talvex wrote no rec.msed"
    grep -q "Output file: $work/rec.msed" "$work/rec.wtx" 2>/dev/null ||
        fail "rec.wtx does not name rec.msed"
    [ ! -e "$work/rec.suds" ] || fail "the work file rec.suds was left behind"
else
    note "no recorder file: the unpacked talvex only printed its usage"
fi

finish
