#!/usr/bin/env bash
# Sets up, builds both presets with warnings as errors and runs every test:
# the native build on Linux, the Windows build under Wine (headless), the
# native suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and each fuzz target for a bounded time (ONDREL_FUZZ_SECONDS, default 30).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
export ONDREL_WERROR=${ONDREL_WERROR:-ON}

run_preset() {
    echo "== $1"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
    ctest --preset "$1"
}

run_preset native
run_preset win32
echo "== fuzz"
scripts/fuzz.sh "${ONDREL_FUZZ_SECONDS:-30}"
run_preset asan
