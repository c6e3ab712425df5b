#!/usr/bin/env bash
# Times ondrel-convert against `cp` of the same files followed by `sync`, as
# whole processes in the same run on the same disk: both end with the bytes
# on disk. One save, then a batch of 1,000 saves of mixed kinds. Then, on a
# RAM disk, the batch's user + system CPU time against `cp` of 1,000 files of
# 512 KiB (the same bytes out: every J8 image is 524,288 bytes), and, where
# strace is installed, the system calls per save of the same two commands,
# with ondrel-convert's by name (the program's startup shared among the saves).
#
#   cli/bench/bench.sh [PROGRAM] [RUNS]
#
# PROGRAM defaults to the native preset's build; RUNS (default 15) is the
# number of timed runs of each command on the disk, alternating, whose medians
# are compared. The files go to a fresh folder under TMPDIR (default /tmp),
# which should be on the disk that matters, not a RAM disk. The CPU times come
# from one untimed pair of runs, then BENCH_CPU_RUNS pairs (default 15), in a
# fresh folder under BENCH_TMPFS (default /dev/shm), which should be a tmpfs.
# BENCH_VERBOSE=1 prints every time, not just the medians.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
program=$(realpath "${1:-build/native/cli/ondrel-convert}")
runs=${2:-15}
cpu_runs=${BENCH_CPU_RUNS:-15}
ram_disk=${BENCH_TMPFS:-/dev/shm}
work=$(mktemp -d "${TMPDIR:-/tmp}/ondrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
ram=$(mktemp -d "$ram_disk/ondrel-bench.XXXXXX")
trap 'rm -rf "$work" "$ram"' EXIT
[ "$(stat -f -c %T "$ram")" = tmpfs ] || echo "note: $ram_disk is not a tmpfs" >&2

# A save of SIZE bytes; BLANK leading bytes of 0xFF (a DSLink save's header).
make_save() { # PATH SIZE BLANK
    { head -c "$3" /dev/zero | tr '\0' '\377'; head -c $(($2 - $3)) /dev/urandom; } >"$1"
}

mkdir "$work/one" "$work/batch" "$ram/plain"
make_save "$work/one/game.nds.sav" $((256 * 1024)) 0
kinds=("nds.sav $((256 * 1024)) 0" "nds.sav $((512 * 1024)) 0" "dat $((257 * 1024)) 0"
       "sav $((520 * 1024)) 16" "sav $((256 * 1024)) 0")
for i in $(seq -w 1 1000); do
    read -r ext size blank <<<"${kinds[$((10#$i % 5))]}"
    make_save "$work/batch/save$i.$ext" "$size" "$blank"
    make_save "$ram/plain/file$i.sav" $((512 * 1024)) 0
done
cp -r "$work/batch" "$ram/"
sync

fresh_out() { rm -rf out && mkdir out; }

# Prints the seconds one run of the command line takes, from a clean output
# folder, with the disk synced before.
wall_time() { # COMMAND-LINE
    fresh_out && sync
    local start=$EPOCHREALTIME
    bash -c "$1" >/dev/null
    local end=$EPOCHREALTIME
    echo "$start $end" | awk '{ printf "%.6f\n", $2 - $1 }'
}

# Prints the user + system CPU seconds of the command line's process, from a
# clean output folder; its words and names are expanded before the clock starts.
cpu_time() { # COMMAND-LINE
    fresh_out
    eval "set -- $1"
    local TIMEFORMAT='%3U %3S' t
    t=$({ time "$@" >/dev/null 2>&3; } 3>&2 2>&1)
    echo "$t" | awk '{ printf "%.6f\n", $1 + $2 }'
}

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# Measures the two command lines alternately, WARM pairs untimed, then RUNS
# pairs, and prints the medians in milliseconds and their ratio.
compare() { # MEASURE WARM RUNS NAME CONVERT-LABEL CONVERT CP-LABEL CP
    local measure=$1 warm=$2 n=$3 name=$4 cl=$5 convert=$6 pl=$7 copy=$8 c=() p=() i
    for ((i = 1; i <= warm + n; i++)); do
        c+=("$("$measure" "$convert")")
        p+=("$("$measure" "$copy")")
    done
    c=("${c[@]:warm}") p=("${p[@]:warm}")
    [ -n "${BENCH_VERBOSE:-}" ] && echo "$name: $cl ${c[*]} / $pl ${p[*]}" >&2
    local mc mp
    mc=$(printf '%s\n' "${c[@]}" | median)
    mp=$(printf '%s\n' "${p[@]}" | median)
    awk -v n="$name" -v cl="$cl" -v c="$mc" -v pl="$pl" -v p="$mp" \
        'BEGIN { printf "%-26s %s %8.1f ms   %s %8.1f ms   ratio %.2f\n", n, cl, c * 1000, pl, p * 1000, c / p }'
}

# Prints "total CALLS" and then "NAME CALLS" for each system call, most first,
# of one run of the command from a clean output folder, divided by SAVES.
calls_per_save() { # SAVES COMMAND...
    local saves=$1
    shift
    fresh_out
    strace -f -c -o strace.txt "$@" >/dev/null
    awk -v n="$saves" '$4 ~ /^[0-9]+$/ { printf "%s %.2f\n", $NF, $4 / n }' strace.txt | sort -k2,2gr
}

# Prints the system calls per save of the batch's conversion and of `cp` of as
# many files, and the conversion's by name.
report_calls() {
    local calls copy_calls copy_total
    calls=$(calls_per_save 1000 "$program" -q --output-dir out batch/*)
    copy_calls=$(calls_per_save 1000 cp plain/* out/)
    read -r _ copy_total <<<"$copy_calls"
    awk -v p="$copy_total" 'NR == 1 {
            printf "%-26s ondrel-convert %.1f   cp %.1f\n%-26s", "system calls per save", $2, p, "  ondrel-convert, by call"
            next
        }
        { printf " %s %s", $1, $2 }
        END { print "" }' <<<"$calls"
}

cd "$work"
compare wall_time 0 "$runs" "one 256 KiB save" ondrel-convert "'$program' -q -o out/game.sav one/game.nds.sav" \
    cp+sync "cp one/game.nds.sav out/game.sav && sync"
compare wall_time 0 "$runs" "1,000 mixed saves" ondrel-convert "'$program' -q --output-dir out batch/*" \
    cp+sync "cp batch/* out/ && sync"

cd "$ram"
compare cpu_time 1 "$cpu_runs" "1,000 mixed saves (tmpfs)" "CPU ondrel-convert" "'$program' -q --output-dir out batch/*" \
    cp "cp plain/* out/"
if command -v strace >/dev/null; then
    report_calls
else
    echo "system calls per save      skipped: strace is not installed"
fi
