#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix of the build folder that
# holds it (the emulator CMake uses for the cross-compiled tests).
#
# The program's output goes through a file: Wine's helper processes inherit
# the output handles and outlive the program, and a pipe they hold open would
# keep CTest waiting for its end.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"
if [ -z "${WINEPREFIX:-}" ]; then
    dir=$(cd "$(dirname "$1")" && pwd)
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    export WINEPREFIX="$dir/wineprefix"
fi
[ -f "$WINEPREFIX/system.reg" ] || "$here/wine-prefix.sh" create "$WINEPREFIX" >&2
unset DISPLAY

out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
wine "$@" >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
exit $status
