#!/usr/bin/env bash
# Manages the private Wine prefix of one build folder.
#   create DIR  make the prefix if it is missing (headless: the null display driver)
#   start DIR   create it and start a persistent server detached from our output
#   stop DIR    end the server and wait for it
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"
action=$1
export WINEPREFIX=$2
unset DISPLAY

create() {
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
    wineserver -w
}

case "$action" in
create) create ;;
start)
    create
    # A server that already runs for this prefix (a repeated run) is fine.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # Start Wine's own services, the RPC service among them, now and from
    # one process: two test programs opening the Open dialog first, side by
    # side, can hang for good while these start.
    wine net start rpcss </dev/null >/dev/null 2>&1 || true
    ;;
stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    ;;
*) echo "usage: $0 create|start|stop PREFIX" >&2; exit 2 ;;
esac
