#!/usr/bin/env bash
# `cmake --install` into a scratch prefix: the layout (programs, man pages,
# library, headers, pkg-config and CMake package, example settings, desktop
# entry), then the installed console programs run from there on a recorder
# file, and two small programs are built against the installed SUDS library,
# once with pkg-config and once with find_package(suds).
. "$(dirname "$0")/common.sh"
parse_programs "$@"
make_scratch
prefix=$scratch/prefix
work=$scratch/work
mkdir -p "$work"

if ! "$CMAKE_COMMAND" --install "$TALVEX_BUILD_DIR" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log" >&2
    fail "cmake --install failed"
    finish
fi

# Where GNUInstallDirs put things: read it from the cache of the build.
cache_var() {
    sed -n "s/^$1:[A-Z]*=//p" "$TALVEX_BUILD_DIR/CMakeCache.txt"
}
libdir=$(cache_var CMAKE_INSTALL_LIBDIR); libdir=${libdir:-lib}
bindir=$(cache_var CMAKE_INSTALL_BINDIR); bindir=${bindir:-bin}
mandir=$(cache_var CMAKE_INSTALL_MANDIR); mandir=${mandir:-share/man}
datadir=$(cache_var CMAKE_INSTALL_DATAROOTDIR); datadir=${datadir:-share}
includedir=$(cache_var CMAKE_INSTALL_INCLUDEDIR); includedir=${includedir:-include}

expect_file() {
    [ -f "$prefix/$1" ] || fail "not installed: $1"
}

# Nothing may be installed outside the prefix, and nothing with an absolute
# path into the build or source tree.
if grep -v "^$prefix/" "$TALVEX_BUILD_DIR/install_manifest.txt" | grep -q .; then
    fail "installed outside the prefix: $(grep -v "^$prefix/" "$TALVEX_BUILD_DIR/install_manifest.txt" | head -3)"
fi

for prog in talvex vorlane fenwold ostrand kelpin cd11gen; do
    if have "$prog"; then
        [ -x "$prefix/$bindir/$prog" ] || fail "program not installed: $bindir/$prog"
        expect_file "$mandir/man1/$prog.1.gz"
    else
        note "$prog not built"
        [ ! -e "$prefix/$bindir/$prog" ] || fail "$prog installed although not built"
    fi
done
if have vorlane; then
    expect_file "$mandir/man5/trelkit.ini.5.gz"
fi
if [ -f "$TALVEX_SOURCE_DIR/examples/trelkit.ini" ]; then
    expect_file "$datadir/talvex/trelkit.ini"
fi
if have fenwold; then
    desktop=$prefix/$datadir/applications/fenwold.desktop
    expect_file "$datadir/applications/fenwold.desktop"
    expect_file "$datadir/icons/hicolor/scalable/apps/fenwold.svg"
    if [ -f "$desktop" ]; then
        grep -q '^\[Desktop Entry\]' "$desktop" || fail "fenwold.desktop: no [Desktop Entry]"
        grep -Eq '^Exec=fenwold( |$)' "$desktop" || fail "fenwold.desktop: Exec is not fenwold"
        grep -q '^Icon=fenwold$' "$desktop" || fail "fenwold.desktop: Icon is not fenwold"
        grep -q '^Type=Application$' "$desktop" || fail "fenwold.desktop: Type is not Application"
        if command -v desktop-file-validate >/dev/null; then
            desktop-file-validate "$desktop" || fail "fenwold.desktop does not validate"
        fi
    fi
fi
# man finds every page under the installed man folder.
if command -v man >/dev/null; then
    pages=""
    for prog in talvex vorlane fenwold ostrand kelpin cd11gen; do
        have "$prog" && pages="$pages 1:$prog"
    done
    have vorlane && pages="$pages 5:trelkit.ini"
    for entry in $pages; do
        found=$(man -M "$prefix/$mandir" -w "${entry%%:*}" "${entry#*:}" 2>/dev/null)
        [ "$found" = "$prefix/$mandir/man${entry%%:*}/${entry#*:}.${entry%%:*}.gz" ] ||
            fail "man -w ${entry%%:*} ${entry#*:} found '$found'"
    done
fi
# Every installed man page renders cleanly from its compressed form.
for page in "$prefix/$mandir"/man?/*.gz; do
    [ -f "$page" ] || continue
    warnings=$(gzip -dc "$page" | groff -ww -man -Tutf8 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
done

# --- The installed programs, run from the prefix in a folder of their own ---
rec=$work/rec.cd11
if have talvex && find_recording "$rec" "${built[cd11gen]:-}"; then
    # Mini-SEED first: its run deletes the work file rec.suds at the end.
    (cd "$work" && "$prefix/$bindir/talvex" rec.cd11 >talvex-msed.out 2>&1) ||
        fail "installed talvex to Mini-SEED: $(cat "$work/talvex-msed.out")"
    [ -s "$work/rec.msed" ] || fail "installed talvex wrote no rec.msed"
    size=$(stat -c %s "$work/rec.msed" 2>/dev/null || echo 0)
    [ $((size % 4096)) -eq 0 ] || fail "rec.msed is $size bytes, not whole 4096-byte records"
    (cd "$work" && "$prefix/$bindir/talvex" -s -v rec.cd11 >talvex.out 2>&1)
    status=$?
    [ "$status" -eq 0 ] || fail "installed talvex -s -v: exit $status: $(cat "$work/talvex.out")"
    suds=$(sed -n 's/.*Output file: *//p' "$work/rec.wtx" 2>/dev/null | head -n 1)
    [ -n "$suds" ] && [ -s "$suds" ] || fail "installed talvex named no SUDS output in rec.wtx"

    if have ostrand && [ -n "$suds" ]; then
        (cd "$work" && "$prefix/$bindir/ostrand" /l "$suds" >ostrand.out 2>&1) ||
            fail "installed ostrand /l: $(cat "$work/ostrand.out")"
        [ -s "${suds%.*}.info" ] || fail "installed ostrand wrote no ${suds%.*}.info"
    fi
    if have vorlane && [ -n "$suds" ]; then
        # Plot mode 3 with /H: .PLX files into the plot queue, which defaults
        # to the current folder; no display is needed.
        mkdir -p "$work/plot"
        (cd "$work/plot" && env -u DISPLAY SUDS_ETC="$work/plot" \
            "$prefix/$bindir/vorlane" /P3 /H "$suds" >vorlane.out 2>&1)
        status=$?
        [ "$status" -eq 0 ] || fail "installed vorlane /P3 /H: exit $status: $(tail -5 "$work/plot/vorlane.out")"
        plx=$(ls "$work/plot"/plot*.plx 2>/dev/null | head -n 1)
        [ -n "$plx" ] || fail "installed vorlane saved no plot*.plx"
        if have kelpin && [ -n "$plx" ]; then
            "$prefix/$bindir/kelpin" -o "$work/sheet.pdf" "$plx" >"$work/kelpin.out" 2>&1 ||
                fail "installed kelpin -o sheet.pdf: $(cat "$work/kelpin.out")"
            head -c 5 "$work/sheet.pdf" 2>/dev/null | grep -q '%PDF-' || fail "kelpin wrote no PDF"
        fi
    fi
else
    note "no talvex or no recorder file: the installed programs are not run"
fi

# fenwold needs talvex, vorlane and ostrand in its own folder (run under
# Xvfb by fenwold_test.sh).
if have fenwold; then
    for sibling in talvex vorlane ostrand; do
        have "$sibling" || fail "fenwold is installed without $sibling beside it"
    done
fi

# --- Programs built against the installed SUDS library -----------------------
if [ "$TALVEX_SUDS_INSTALLED" = 1 ]; then
    expect_file "$libdir/libsuds.a"
    expect_file "$libdir/libtalvex_platform.a"
    expect_file "$includedir/suds/suds.h"
    expect_file "$libdir/pkgconfig/suds.pc"
    expect_file "$libdir/cmake/suds/sudsConfig.cmake"
    expect_file "$libdir/cmake/suds/sudsConfigVersion.cmake"
    san_flags=""
    [ "$TALVEX_SANITIZE" = 1 ] && san_flags="-fsanitize=address,undefined"
    consumer=$(dirname "$0")/consumer
    suds_arg=${suds:-}

    export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
    [ "$(pkg-config --modversion suds 2>&1)" = "$TALVEX_VERSION" ] ||
        fail "pkg-config --modversion suds: $(pkg-config --modversion suds 2>&1)"
    # shellcheck disable=SC2046
    if g++ -std=c++20 $san_flags -o "$scratch/consumer-pc" "$consumer/consumer.cpp" \
        $(pkg-config --cflags --libs suds) >"$scratch/pc.log" 2>&1; then
        "$scratch/consumer-pc" $suds_arg >"$scratch/pc.out" 2>&1 && note "pkg-config consumer: $(cat "$scratch/pc.out")" ||
            fail "consumer built with pkg-config: $(cat "$scratch/pc.out")"
    else
        fail "building with pkg-config failed: $(head -20 "$scratch/pc.log")"
    fi

    if "$CMAKE_COMMAND" -S "$consumer" -B "$scratch/consumer-build" \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="$san_flags" \
        -DCMAKE_EXE_LINKER_FLAGS="$san_flags" >"$scratch/cm.log" 2>&1 &&
        "$CMAKE_COMMAND" --build "$scratch/consumer-build" >>"$scratch/cm.log" 2>&1; then
        "$scratch/consumer-build/suds_consumer" $suds_arg >"$scratch/cm.out" 2>&1 && note "find_package consumer: $(cat "$scratch/cm.out")" ||
            fail "consumer built with find_package(suds): $(cat "$scratch/cm.out")"
    else
        fail "building with find_package(suds) failed: $(tail -20 "$scratch/cm.log")"
    fi
else
    note "the SUDS library is not installed by this build"
fi

finish
