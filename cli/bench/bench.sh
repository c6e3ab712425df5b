#!/usr/bin/env bash
# Times ondrel-convert against `cp` of the same files followed by `sync`, as
# whole processes in the same run on the same disk: both end with the bytes
# on disk. One save, then a batch of 1,000 saves of mixed kinds.
#
#   cli/bench/bench.sh [PROGRAM] [RUNS]
#
# PROGRAM defaults to the native preset's build; RUNS (default 15) is the
# number of timed runs of each command, alternating, whose medians are compared.
# The files go to a fresh folder under TMPDIR (default /tmp), which should be
# on the disk that matters, not a RAM disk.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
program=$(realpath "${1:-build/native/cli/ondrel-convert}")
runs=${2:-15}
work=$(mktemp -d "${TMPDIR:-/tmp}/ondrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A save of SIZE bytes; BLANK leading bytes of 0xFF (a DSLink save's header).
make_save() { # PATH SIZE BLANK
    { head -c "$3" /dev/zero | tr '\0' '\377'; head -c $(($2 - $3)) /dev/urandom; } >"$1"
}

mkdir "$work/one" "$work/batch"
make_save "$work/one/game.nds.sav" $((256 * 1024)) 0
kinds=("nds.sav $((256 * 1024)) 0" "nds.sav $((512 * 1024)) 0" "dat $((257 * 1024)) 0"
       "sav $((520 * 1024)) 16" "sav $((256 * 1024)) 0")
for i in $(seq -w 1 1000); do
    read -r ext size blank <<<"${kinds[$((10#$i % 5))]}"
    make_save "$work/batch/save$i.$ext" "$size" "$blank"
done
sync

# Prints the seconds one run of the command takes, from a clean output folder.
time_run() { # COMMAND...
    rm -rf "$work/out" && mkdir "$work/out" && sync
    local start=$EPOCHREALTIME
    "$@" >/dev/null
    local end=$EPOCHREALTIME
    echo "$start $end" | awk '{ printf "%.6f\n", $2 - $1 }'
}

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

compare() { # NAME CONVERT-COMMAND CP-COMMAND
    local name=$1 convert=$2 copy=$3 c=() p=()
    for _ in $(seq "$runs"); do
        c+=("$(time_run bash -c "$convert")")
        p+=("$(time_run bash -c "$copy")")
    done
    [ -n "${BENCH_VERBOSE:-}" ] && echo "$name: ondrel-convert ${c[*]} / cp+sync ${p[*]}" >&2
    local mc mp
    mc=$(printf '%s\n' "${c[@]}" | median)
    mp=$(printf '%s\n' "${p[@]}" | median)
    awk -v n="$name" -v c="$mc" -v p="$mp" \
        'BEGIN { printf "%-24s ondrel-convert %8.1f ms   cp+sync %8.1f ms   ratio %.2f\n", n, c * 1000, p * 1000, c / p }'
}

cd "$work"
compare "one 256 KiB save" "'$program' -q -o out/game.sav one/game.nds.sav" \
    "cp one/game.nds.sav out/game.sav && sync"
compare "1,000 mixed saves" "'$program' -q --output-dir out batch/*" "cp batch/* out/ && sync"
