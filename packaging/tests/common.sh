# Shared helpers of the packaging tests (sourced).
# Arguments of every test: name=path for each program that the build has.
# Environment (set by CTest): TALVEX_SOURCE_DIR, TALVEX_BUILD_DIR,
# TALVEX_VERSION, TALVEX_SUDS_INSTALLED, TALVEX_SANITIZE, CMAKE_COMMAND,
# CPACK_COMMAND.

set -u
failures=0
declare -A built=()

parse_programs() {
    local arg
    for arg in "$@"; do
        built[${arg%%=*}]=${arg#*=}
    done
}

have() { [ -n "${built[$1]:-}" ]; }

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

note() { echo "-- $*"; }

# Exit 77 tells CTest the test was skipped.
skip() {
    echo "SKIP: $*"
    exit 77
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
    exit 0
}

# A scratch folder removed at exit.
make_scratch() {
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/talvex-pkg.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
}

# Render a man page as plain text.
render_man() {
    local page=$1
    case "$page" in
        *.gz) gzip -dc "$page" ;;
        *) cat "$page" ;;
    esac | MANWIDTH=80 groff -man -Tascii -P-cbou 2>/dev/null
}

# A recorder file to work on, copied to $1: an example if there is one,
# else one written by cd11gen (from the given cd11gen binary).
find_recording() {
    local dest=$1 gen=${2:-}
    local ex
    for ex in "$TALVEX_SOURCE_DIR"/examples/*.cd11; do
        if [ -f "$ex" ]; then
            cp "$ex" "$dest"
            return 0
        fi
    done
    if [ -n "$gen" ] && [ -x "$gen" ]; then
        "$gen" "$dest" >/dev/null 2>&1 && [ -s "$dest" ] && return 0
    fi
    return 1
}
