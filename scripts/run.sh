#!/usr/bin/env bash
# Sets up, builds and opens the converter: Ondrel.exe under Wine (on a
# virtual display, with a screenshot, when there is no display). The 32-bit
# program where this machine runs 32-bit programs, the 64-bit build where it
# cannot.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
. scripts/steps.sh

step "set-up" "check the network to Debian's mirrors and run scripts/setup.sh again."
scripts/setup.sh
if scripts/runs-32bit.sh; then
    echo "Opening the 32-bit Ondrel.exe (win32 build): this machine runs 32-bit programs."
    export ONDREL_WINE_ARCH=win32
else
    echo "Opening the 64-bit Ondrel.exe (win64 build): this machine cannot run 32-bit programs."
    export ONDREL_WINE_ARCH=win64
fi
step "open the dialog" "read the message above; scripts/run-dialog.sh repeats this step alone."
scripts/run-dialog.sh "$@"
