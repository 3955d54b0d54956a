#!/usr/bin/env bash
# The man pages: each renders without a single groff warning, man-db can index
# its NAME line, it has the sections a reader looks for, and it documents every
# switch that the program's own usage text names.
. "$(dirname "$0")/common.sh"
parse_programs "$@"
mandir=$TALVEX_SOURCE_DIR/man

pages="talvex.1 vorlane.1 fenwold.1 ostrand.1 kelpin.1 cd11gen.1 trelkit.ini.5"
for page in $pages; do
    file=$mandir/$page
    if [ ! -f "$file" ]; then
        fail "$page: missing"
        continue
    fi
    warnings=$(groff -ww -man -Tutf8 "$file" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: groff warnings:"$'\n'"$warnings"
    if command -v man >/dev/null; then
        warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$page: man warnings:"$'\n'"$warnings"
    fi
    name=${page%.*}
    if command -v lexgrog >/dev/null; then
        lexgrog "$file" 2>/dev/null | grep -q ": \"$name - " ||
            fail "$page: NAME line cannot be indexed: $(lexgrog "$file" 2>&1)"
    fi
    text=$(render_man "$file")
    required=(NAME SYNOPSIS DESCRIPTION FILES EXAMPLES "SEE ALSO")
    case "$page" in *.1) required+=("EXIT STATUS") ;; esac
    for section in "${required[@]}"; do
        grep -q "^$section" <<<"$text" || fail "$page: no $section section"
    done
    # The title line names the page as it is installed.
    upper=$(tr '[:lower:]' '[:upper:]' <<<"$name")
    head -n 1 <<<"$text" | grep -q "^$upper(${page##*.})" ||
        fail "$page: title is not $upper(${page##*.})"
done

# Every switch of the converter's usage text, "(-verbose)" and so on, is
# an option of talvex(1).
if have talvex; then
    usage=$("${built[talvex]}" 2>/dev/null)
    status=$?
    [ "$status" -eq 1 ] || fail "talvex without arguments: exit $status, expected 1"
    switches=$(grep -o '(-[a-z]*)' <<<"$usage" | tr -d '()')
    [ -n "$switches" ] || fail "talvex printed no usage text: $usage"
    text=$(render_man "$mandir/talvex.1")
    for sw in $switches; do
        grep -Eq "^ {7}(-[a-z], )?$sw\b" <<<"$text" || fail "talvex(1) does not document $sw"
    done
    note "talvex(1) documents: $(echo $switches)"
else
    note "talvex not built: its usage text is not compared"
fi

# Every switch of the plotter's usage text ("   /Pn - ...") is an option of
# vorlane(1). The plotter writes vorlane.log where it runs.
if have vorlane; then
    make_scratch
    usage=$(cd "$scratch" && SUDS_ETC=$scratch "${built[vorlane]}" '/?' 2>/dev/null)
    status=$?
    [ "$status" -eq 1 ] || fail "vorlane /?: exit $status, expected 1"
    switches=$(grep -Eo '^ +/[A-Z0-9]+' <<<"$usage" | tr -d ' ' | sort -u)
    [ -n "$switches" ] || fail "vorlane /? printed no switches: $usage"
    text=$(render_man "$mandir/vorlane.1")
    for sw in $switches; do
        grep -Eq "^ {7}$sw" <<<"$text" || fail "vorlane(1) does not document $sw"
    done
    note "vorlane(1) documents: $(echo $switches)"
else
    note "vorlane not built: its usage text is not compared"
fi

# Every option of cd11gen's usage text ("  -c SITE:...") is in cd11gen(1).
if have cd11gen; then
    usage=$("${built[cd11gen]}" -h 2>&1)
    switches=$(grep -Eo '^  -[A-Za-z]' <<<"$usage" | tr -d ' ')
    [ -n "$switches" ] || fail "cd11gen -h printed no options: $usage"
    text=$(render_man "$mandir/cd11gen.1")
    for sw in $switches; do
        grep -Eq "^ {7}$sw( |\$)" <<<"$text" || fail "cd11gen(1) does not document $sw"
    done
    note "cd11gen(1) documents: $(echo $switches)"
fi

# kelpin's options ("[-u]", "-o OUTPUT") are in kelpin(1).
if have kelpin; then
    usage=$("${built[kelpin]}" -h 2>&1)
    switches=$(grep -Eo '[[ ]-[a-z]\b' <<<"$usage" | tr -d '[ ' | sort -u)
    [ -n "$switches" ] || fail "kelpin -h printed no options: $usage"
    text=$(render_man "$mandir/kelpin.1")
    for sw in $switches; do
        grep -Eq "^ {7}$sw( |,|\$)" <<<"$text" || fail "kelpin(1) does not document $sw"
    done
    note "kelpin(1) documents: $(echo $switches)"
fi

finish
