#!/usr/bin/env bash
# Builds the release packages into build/packages: the Windows zip (Ondrel.exe,
# ondrel-convert.exe, ondrel.html, README, licences), and the Linux tarball and
# Debian package (ondrel-convert, its man page and ondrel.html). Release
# builds without tests, in folders of their own.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

mkdir -p build/packages
# The page goes into both packages: built first, by the wasm preset.
echo "== wasm"
scripts/setup.sh web
cmake --preset wasm -DONDREL_BUILD_TESTS=OFF >/dev/null
cmake --build --preset wasm
for preset in native win32; do
    echo "== $preset"
    dir=build/release-$preset
    cmake --preset "$preset" -B "$dir" -DONDREL_BUILD_TESTS=OFF -DONDREL_BUILD_BENCHMARKS=OFF >/dev/null
    cmake --build "$dir" --target package
    cp "$dir"/packages/*.zip "$dir"/packages/*.tar.gz "$dir"/packages/*.deb build/packages/ 2>/dev/null || true
done
# The zip holds what users need, every licence with it.
scripts/check-exe.sh --zip build/release-win32/packages/*.zip
ls -l build/packages
