#!/usr/bin/env bash
# Builds the Debian package as scripts/package.sh does (a release build
# without tests, in the same folder) and has lintian check it: any error or
# warning fails the check. `lintian -i` on the package explains each tag.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

if ! command -v lintian >/dev/null; then
    echo "$(basename "$0"): lintian is not installed; scripts/setup.sh installs it." >&2
    exit 1
fi

dir=build/release-native
cmake --preset native -B "$dir" -DONDREL_BUILD_TESTS=OFF -DONDREL_BUILD_BENCHMARKS=OFF >/dev/null
# A package left by an earlier version would be checked too.
rm -f "$dir"/packages/*.deb
cmake --build "$dir" --target package
debs=("$dir"/packages/*.deb)
echo "lintian ${debs[*]}"
lintian --fail-on error,warning "${debs[@]}"
echo "lintian: no errors or warnings."
