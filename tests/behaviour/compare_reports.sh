#!/bin/sh
# Compares what two builds of quenlix-report print for every real capture and the
# bundled sample: the state dump with packets, the JSON report and the text
# report, each with its standard error and exit status, byte for byte. Used to
# show that a change which should not alter behaviour does not.
#
#   tests/behaviour/compare_reports.sh OLD/quenlix-report NEW/quenlix-report [TRACE...]
#
# Without traces it takes every file under ../shared/captures (relative to the
# repository root) and under samples/. Each binary finds OUI.TXT beside itself.
# Exit status 0 when everything matches, 1 on the first difference (the file, the
# mode and the first differing line are printed), 2 on a usage error.
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 OLD-REPORT NEW-REPORT [TRACE...]" >&2
    exit 2
fi
old=$1
new=$2
shift 2
for binary in "$old" "$new"; do
    if [ ! -x "$binary" ]; then
        echo "$0: $binary is not an executable" >&2
        exit 2
    fi
done

root=$(cd "$(dirname "$0")/../.." && pwd)
if [ $# -eq 0 ]; then
    captures="$root/../shared/captures"
    if [ -d "$captures" ]; then
        set -- $(find "$captures" "$root/samples" -type f ! -name '*.md' | sort)
    else
        echo "$0: no real captures at $captures; comparing the bundled sample only" >&2
        set -- $(find "$root/samples" -type f | sort)
    fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run BINARY OUTPUT-PREFIX ARGS...: stdout, stderr and the exit status in three files.
run() {
    binary=$1
    prefix=$2
    shift 2
    "$binary" "$@" >"$prefix.out" 2>"$prefix.err" </dev/null
    echo $? >"$prefix.rc"
}

compared=0
for trace in "$@"; do
    for mode in "--dump-state --packets" "--json" ""; do
        # shellcheck disable=SC2086  # the mode is two words or none
        run "$old" "$work/old" $mode "$trace"
        # shellcheck disable=SC2086
        run "$new" "$work/new" $mode "$trace"
        for part in out err rc; do
            if ! cmp -s "$work/old.$part" "$work/new.$part"; then
                case $part in out) what="standard output" ;; err) what="standard error" ;; *) what="exit status" ;; esac
                echo "DIFFERENT: $trace (${mode:-text report}, $what)"
                diff "$work/old.$part" "$work/new.$part" | head -n 4
                exit 1
            fi
        done
        compared=$((compared + 1))
    done
done
echo "identical: $compared runs over $# traces"
