#!/usr/bin/env bash
# Builds Ondrel.exe and opens its dialog under Wine, in a private Wine prefix
# inside the build folder: the win32 build, or the win64 one when
# ONDREL_WINE_ARCH=win64 (scripts/run.sh chooses).
#
#   scripts/run-dialog.sh                      open the dialog on $DISPLAY
#   scripts/run-dialog.sh --screenshot FILE    open it on a virtual display,
#                                              save a picture of it, close it
#
# Without a display ($DISPLAY unset) the second form runs by itself, with the
# picture saved to the build folder. Every wait is bounded, and no Xvfb or
# Wine server is left running.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
. "$here/wine-env.sh"

preset=$ONDREL_WINE_ARCH  # the presets are named after the Wine they run under
build=$(realpath -m "${ONDREL_BUILD_DIR:-$root/build/$preset}")  # Wine wants an absolute prefix
screenshot=""
case "${1:-}" in
--screenshot) screenshot=${2:?usage: $0 [--screenshot FILE]} ;;
"") ;;
*) echo "usage: $0 [--screenshot FILE]" >&2; exit 2 ;;
esac

# Build only the program, configuring the folder the first time.
built() {
    local log
    if ! log=$("$@" 2>&1); then
        echo "$log" >&2
        echo "Building Ondrel.exe failed (the messages above); run scripts/setup.sh if a tool is missing." >&2
        exit 1
    fi
}
[ -f "$build/CMakeCache.txt" ] || built cmake -S "$root" -B "$build" --preset "$preset"
built cmake --build "$build" --target Ondrel window_probe
exe="$build/ui/Ondrel.exe"

# The test prefix uses Wine's null display driver; this one shows windows.
export WINEPREFIX="$build/wineprefix-run"
xvfb_pid=""
cleanup() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.2
    done
}

headless=0
if [ -n "$screenshot" ] || [ -z "${DISPLAY:-}" ]; then headless=1; fi
if [ $headless = 1 ] && [ -z "$screenshot" ]; then screenshot="$build/ondrel-dialog.png"; fi

if [ $headless = 1 ]; then
    for n in $(seq 90 130); do [ -e "/tmp/.X$n-lock" ] || break; done
    export DISPLAY=":$n"
    if [ -z "${1:-}" ]; then
        echo "No display (\$DISPLAY is not set): opening the dialog on a virtual display"
        echo "(Xvfb $DISPLAY) instead. A screenshot goes to $screenshot, then the dialog closes."
    fi
    Xvfb "$DISPLAY" -screen 0 800x600x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    wait_for 15 xdotool getdisplaygeometry || { echo "Xvfb did not start" >&2; exit 1; }
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (once)..."
    if ! wineboot -i </dev/null >/dev/null 2>&1; then
        echo "Wine could not create its prefix. Remove $WINEPREFIX and run again;" >&2
        echo "WINEDEBUG=err+all shows Wine's own reasons." >&2
        exit 1
    fi
fi
# Debian's Wine does not load its own fonts: without Marlett the close box
# is drawn as the letter "r", and without Tahoma the captions fall back.
for font in /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma*.ttf; do
    if [ -f "$font" ]; then cp -n "$font" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
done
# With no window manager (the virtual display) Wine draws the frames itself.
managed=Y
[ $headless = 1 ] && managed=N
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d $managed /f </dev/null >/dev/null 2>&1
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running after wineboot

if [ $headless = 0 ]; then
    echo "Opening $exe under Wine on $DISPLAY; close the dialog to end."
    wine "$exe" </dev/null >/dev/null 2>&1 || true
    exit 0
fi

wine "$exe" </dev/null >/dev/null 2>&1 &
app_pid=$!
window=""
title='J8 Ondrel (v2.0)'
find_window() { window=$(xdotool search --onlyvisible --name '^J8 Ondrel \(v2\.0\)$' | head -n1); [ -n "$window" ]; }
if ! wait_for 60 find_window; then
    echo "The dialog did not appear within 60 s" >&2
    exit 1
fi
# With no window manager, nothing activates the new dialog, and its caption
# is drawn inactive. What does, as for a user: a message box that closes
# hands the activation back to it. "Transform" with both fields empty
# shows one and changes nothing.
probe() { wine "$build/e2e/window_probe.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
# shellcheck disable=SC2046
xdotool mousemove $(probe center "$title" 1004) click 1 || true
if probe wait Error 10 >/dev/null; then
    xdotool windowfocus --sync "$(probe xid Error)" >/dev/null 2>&1 || true
    xdotool key Return
    probe gone Error 10 >/dev/null || true
fi
# The keyboard back in the input field, where it is at the start.
# shellcheck disable=SC2046
xdotool mousemove $(probe center "$title" 1000) click 1 || true
xdotool mousemove 0 0 || true  # the pointer out of the picture
sleep 1  # let it paint
mkdir -p "$(dirname "$screenshot")"
import -window "$window" -strip "$screenshot"
echo "Saved a screenshot of the dialog: $screenshot"

# Close it as a person would: Escape.
xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
xdotool key Escape
if wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null"; then
    echo "Closed the dialog; Ondrel.exe has ended."
else
    echo "The dialog did not close within 15 s; ending Wine." >&2
fi
