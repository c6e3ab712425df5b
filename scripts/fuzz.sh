#!/usr/bin/env bash
# Builds the fuzz preset and runs each libFuzzer target for a bounded time
# (default 30 s each) from the committed seed corpus. A crash, a hang or a
# difference from the model fails the run; the input that caused it is left
# in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-30}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
findings=build/fuzz/findings
mkdir -p "$findings"
for target in classify load dsv action_replay nocash; do
    echo "== fuzzing $target for ${seconds}s"
    work=$(mktemp -d)
    status=0
    build/fuzz/core/fuzz/${target}_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/$target-" \
        "$work" "core/fuzz/corpus/$target" >"$findings/$target.log" 2>&1 || status=$?
    rm -rf "$work"
    grep -E 'DONE|stat::number_of_executed_units|SUMMARY|ERROR' "$findings/$target.log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$findings/$target.log"
        echo "fuzz target $target failed (status $status)"
        exit 1
    fi
done
