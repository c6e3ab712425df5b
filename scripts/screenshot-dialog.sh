#!/usr/bin/env bash
# Makes the README's picture of the dialog, docs/images/dialog.png: builds
# Ondrel.exe and opens it on a virtual display (see run-dialog.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exec env -u DISPLAY "$root/scripts/run-dialog.sh" --screenshot "$root/docs/images/dialog.png"
