#!/usr/bin/env bash
# Sets up, builds and opens the converter: Ondrel.exe under Wine (on a
# virtual display, with a screenshot, when there is no display).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh
exec scripts/run-dialog.sh "$@"
