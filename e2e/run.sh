#!/usr/bin/env bash
# End-to-end journeys through the real Ondrel.exe under Wine on a virtual
# display, driven from outside with real key presses and mouse clicks
# (xdotool), as a person would: a conversion of each kind through the file
# choosers, each error message, closing with Enter and with the close box,
# and a start with a save named on the command line ("Open with").
# A screenshot of every step is kept in WORKDIR/shots for a person to look at.
#
#   e2e/run.sh ONDREL_EXE WINDOW_PROBE_EXE WORKDIR
#
# Every wait is bounded; Xvfb and the Wine server are ended on every exit.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ondrel=$(realpath "$1")
probe_exe=$(realpath "$2")
work=$(realpath -m "$3")
. "$here/../scripts/wine-env.sh"

title="J8 Ondrel (v2.0)"
rm -rf "$work/shots" "$work/saves"
mkdir -p "$work/shots" "$work/saves"
export WINEPREFIX="$work/prefix"
saves="$work/saves"
step=0
xvfb_pid=""
app_pid=""

cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

fail() {
    shot "failure"
    echo "e2e: FAILED: $*" >&2
    exit 1
}

# --- the virtual display and a prefix that draws real windows -------------
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
[ -s "$displayfile" ] || { echo "e2e: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$displayfile")"
rm -f "$displayfile"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
    # Unmanaged windows: no window manager runs, and Wine draws the frames.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    wineserver -w
fi
wineserver -p </dev/null >/dev/null 2>&1

probe() { wine "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
shot() {
    step=$((step + 1))
    import -window root "$work/shots/$(printf %02d "$step")-$1.png" 2>/dev/null || true
}
winpath() { echo "Z:${1//\//\\}"; }

focus_window() {  # TITLE: wait for it, then give it the keyboard
    # The first Open dialog of a fresh prefix took over 15 s on a busy 2-core
    # machine; a window that never comes still fails, a minute later.
    probe wait "$1" 60 >/dev/null || fail "window \"$1\" did not appear"
    local xid
    xid=$(probe xid "$1") || fail "no X window for \"$1\""
    xdotool windowfocus --sync "$xid" 2>/dev/null || xdotool windowfocus "$xid"
    sleep 0.2
}
click_control() {  # TITLE ID
    local point
    point=$(probe center "$1" "$2") || fail "no control $2 in \"$1\""
    # shellcheck disable=SC2086
    xdotool mousemove $point click 1
    sleep 0.3
}
set_field() {  # ID TEXT: click into the field, clear it and type
    click_control "$title" "$1"
    xdotool key End shift+Home BackSpace
    [ -z "$2" ] || xdotool type --delay 2 "$2"
}
field() { probe text "$title" "$1"; }
expect_field() {  # ID TEXT
    local got
    got=$(field "$1")
    [ "$got" = "$2" ] || fail "field $1 shows \"$got\", expected \"$2\""
}
expect_message() {  # CAPTION TEXT ICON(icon|none): check the box, then press Enter on it
    focus_window "$1"
    local text icon
    text=$(probe text "$1" 65535)
    icon=$(probe icon "$1" 1088 || echo none)
    shot "message-$1"
    [ "$text" = "$2" ] || fail "message \"$text\", expected \"$2\""
    [ "$icon" = "$3" ] || fail "message icon $icon, expected $3"
    xdotool key Return
    probe gone "$1" 10 >/dev/null || fail "message box \"$1\" did not close"
    focus_window "$title"
}
pick_file() {  # BUTTON-ID PATH: choose a file through the Open dialog
    click_control "$title" "$1"
    focus_window "Open"
    shot "open-dialog"
    xdotool type --delay 2 "$2"
    xdotool key Return
    probe gone "Open" 10 >/dev/null || fail "the Open dialog did not close"
    focus_window "$title"
}
start_app() {  # [ARGUMENT...]: what the program is started with, in the saves folder
    (cd "$saves" && exec "$WINELOADER" "$ondrel" "$@" </dev/null >/dev/null 2>&1) &
    app_pid=$!
    focus_window "$title"
    shot "started"
}
expect_exit() {  # the program ends within a few seconds
    for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || { app_pid=""; return 0; }; sleep 0.1; done
    fail "the program did not end"
}

# The J8 image each source should give, from the cart layouts.
expected_image() {  # KIND FILE OUT
    python3 - "$@" <<'PY'
import sys
kind, src, dst = sys.argv[1:]
data = open(src, 'rb').read()
image = bytearray(b'\xff' * 524288)
body = data[:262144] if kind == 'dat' else data[:524288]
image[:len(body)] = body
if kind == 'sav' and len(data) != 262144 and all(b == 0xff for b in image[:16]):
    tail = data[524288:524288 + 8192]
    image[:len(tail)] = tail
open(dst, 'wb').write(image)
PY
}
make_save() {  # FILE SIZE BLANKFRONT
    python3 -c "
import sys
n, blank = int(sys.argv[2]), int(sys.argv[3])
data = bytearray((i * 7 ^ (i >> 8) * 13) & 0xff for i in range(n))
data[:blank] = b'\xff' * min(blank, n)
open(sys.argv[1], 'wb').write(data)" "$@"
}

# --- journeys ---------------------------------------------------------------
start_app
expect_field 1000 ""
expect_field 1001 ""

echo "e2e: both fields empty"
click_control "$title" 1004
expect_message "Error" "Please select the input file!" icon

for journey in "Mario.NDS.SAV nds.sav 262144 0 Mario.sav" \
               "slot1.dat dat 263168 0 slot1.sav" \
               "Zelda.sav sav 532480 16 Zelda.j8.sav"; do
    read -r name kind size blank output <<<"$journey"
    echo "e2e: convert $name through the file chooser"
    make_save "$saves/$name" "$size" "$blank"
    pick_file 1002 "$(winpath "$saves/$name")"
    expect_field 1000 "$(winpath "$saves/$name")"
    expect_field 1001 "$(winpath "$saves/$output")"
    shot "picked-$kind"
    click_control "$title" 1004
    expect_message "OK" "Transform OK!" none
    expected_image "$kind" "$saves/$name" "$work/expected.bin"
    cmp -s "$saves/$output" "$work/expected.bin" || fail "$output differs from the expected image"
done

echo "e2e: output chosen through its own chooser"
pick_file 1003 "$(winpath "$saves/chosen.sav")"
expect_field 1001 "$(winpath "$saves/chosen.sav")"
click_control "$title" 1004
expect_message "OK" "Transform OK!" none
cmp -s "$saves/chosen.sav" "$work/expected.bin" || fail "chosen.sav differs from the expected image"

echo "e2e: error messages"
set_field 1000 "$(winpath "$saves/gone.dat")"
click_control "$title" 1004
expect_message "Error" "Open file [ $(winpath "$saves/gone.dat") ] failure!" icon
set_field 1000 "$(winpath "$saves/slot1.dat")"
set_field 1001 "   "
click_control "$title" 1004
expect_message "Error" "Please select the output file!" icon
set_field 1001 "$(winpath "$saves/no/such.sav")"
click_control "$title" 1004
expect_message "Error" "Create file [ $(winpath "$saves/no/such.sav") ] failure!" icon
[ ! -e "$saves/no" ] || fail "a folder was created"

echo "e2e: Enter in a field ends the program"
click_control "$title" 1000
xdotool key Return
expect_exit
shot "closed-by-enter"

echo "e2e: the close box ends the program"
start_app
point=$(probe closebox "$title") || fail "no close box"
# shellcheck disable=SC2086
xdotool mousemove $point click 1
expect_exit
shot "closed-by-close-box"

echo "e2e: started with a save, converted by one press of Transform"
# Named relative to the folder it starts in, with a blank: Wine quotes it on
# the command line as Windows' shell does.
make_save "$saves/Start Game.dat" 263168 0
start_app "Start Game.dat"
expect_field 1000 "$(winpath "$saves/Start Game.dat")"
expect_field 1001 "$(winpath "$saves/Start Game.sav")"
shot "started-with-a-save"
[ ! -e "$saves/Start Game.sav" ] || fail "converted before Transform was pressed"
click_control "$title" 1004
expect_message "OK" "Transform OK!" none
expected_image dat "$saves/Start Game.dat" "$work/expected.bin"
cmp -s "$saves/Start Game.sav" "$work/expected.bin" || fail "Start Game.sav differs from the expected image"
xdotool key Escape
expect_exit
shot "closed-by-escape"

echo "e2e: all journeys passed; screenshots in $work/shots"
