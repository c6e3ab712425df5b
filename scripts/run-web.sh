#!/usr/bin/env bash
# Sets up, builds and opens the browser page, build/wasm/web/ondrel.html, in
# Chromium. Without a display it opens the page headless instead, with a few
# saves made for the purpose chosen, and saves a picture of it to
# build/wasm/web/ondrel-page.png.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
. scripts/steps.sh

step "set-up" "check the network to Debian's and npm's mirrors and run scripts/setup.sh web again."
scripts/setup.sh web
for preset in native wasm; do
    step "build $preset" "read the compiler's message above; cmake --build --preset $preset repeats it."
    [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
done
page=$PWD/build/wasm/web/ondrel.html

if [ -n "${DISPLAY:-}" ]; then
    step "open the page" "run chromium $page by hand to see its messages."
    echo "Opening $page in Chromium; close the window to end."
    # Chromium refuses to run as root inside its sandbox.
    sandbox=()
    [ "$(id -u)" -ne 0 ] || sandbox=(--no-sandbox)
    chromium "${sandbox[@]}" --no-first-run --disable-background-networking "file://$page" >/dev/null 2>&1
else
    picture=build/wasm/web/ondrel-page.png
    step "picture of the page" "node web/show-page.mjs $picture repeats this step with its messages."
    echo "No display (\$DISPLAY is not set): opening the page in headless Chromium with a few"
    echo "made-up saves chosen instead."
    node web/show-page.mjs "$picture"
    echo "Saved a picture of the page: $picture"
fi
ondrel_step=""
