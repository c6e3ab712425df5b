#!/usr/bin/env bash
# Makes the README's picture of the dialog, docs/images/dialog.png: builds
# Ondrel.exe and opens it on a virtual display (see run-dialog.sh); the
# 64-bit build where this machine cannot run 32-bit programs.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/runs-32bit.sh" || export ONDREL_WINE_ARCH=win64
exec env -u DISPLAY "$root/scripts/run-dialog.sh" --screenshot "$root/docs/images/dialog.png"
