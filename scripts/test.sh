#!/usr/bin/env bash
# Sets up, builds with warnings as errors and runs every test:
# - the native build on Linux, and its Debian package checked by lintian;
# - the browser page (WebAssembly): the core's tests under Node, and the page
#   in headless Chromium against the native converter;
# - the 32-bit Windows program users download, always built and checked as
#   a file (format, resources, imports, size), which needs no Wine;
# - the Windows tests under Wine: 32-bit where this machine runs 32-bit
#   programs, the 64-bit build where it cannot, and both where it can;
# - each fuzz target for a bounded time (ONDREL_FUZZ_SECONDS, default 30);
# - the native suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
. scripts/steps.sh

step "set-up" "check the network to Debian's and npm's mirrors and run scripts/setup.sh web again."
scripts/setup.sh web
export ONDREL_WERROR=${ONDREL_WERROR:-ON}

build_preset() {
    step "build $1" "read the compiler's message above; cmake --build --preset $1 repeats it."
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}
test_preset() {  # PRESET [CTEST ARGUMENTS]
    local preset=$1
    shift
    step "test $preset $*" "see the failing test's output above; ctest --preset $preset --rerun-failed repeats it."
    ctest --preset "$preset" "$@"
}

build_preset native
test_preset native
# The page's tests compare it with the native converter just built, and the
# Debian package carries the page.
build_preset wasm
test_preset wasm
step "check the Debian package" "fix what lintian reports above (lintian -i explains each tag); scripts/check-deb.sh repeats the check."
scripts/check-deb.sh

build_preset win32
test_preset win32 -L without-wine
if scripts/runs-32bit.sh; then
    windows="win32 and win64: this machine runs 32-bit programs, so the program users download is tested under 32-bit Wine and the 64-bit build under 64-bit Wine"
    test_preset win32
    build_preset win64
    test_preset win64
else
    windows="win64 only: this machine cannot run 32-bit programs (32-bit Wine does not start), so the 32-bit program was built and checked as a file and the Windows tests ran on the 64-bit build"
    build_preset win64
    test_preset win64
fi

step "fuzz" "the input that failed is in build/fuzz/findings/; scripts/fuzz.sh repeats the run."
scripts/fuzz.sh "${ONDREL_FUZZ_SECONDS:-30}"
build_preset asan
test_preset asan
ondrel_step=""
echo "Windows tests ran on $windows."
