# Sourced by the README's commands (scripts/run.sh, scripts/test.sh): each
# step is announced, and a failing one is named on the way out together
# with what to do about it, so no run ends on a bare exit status.
ondrel_step=""
ondrel_hint=""

# step NAME HINT: NAME starts; HINT is what to do if it fails.
step() {
    ondrel_step=$1
    ondrel_hint=$2
    echo "== $1"
}

ondrel_report_failure() {
    local status=$?
    if [ "$status" -ne 0 ] && [ -n "$ondrel_step" ]; then
        echo "$(basename "$0"): FAILED at \"$ondrel_step\" (exit status $status)." >&2
        echo "What to do: $ondrel_hint" >&2
    fi
}
trap ondrel_report_failure EXIT
