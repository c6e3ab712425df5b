#!/usr/bin/env bash
# Builds the Debian package as scripts/package.sh does (a release build
# without tests, in the same folder) and has lintian check it: any error or
# warning fails the check. `lintian -i` on the package explains each tag.
# Then checks that its copyright file carries the notice of the list of
# games' save chips, which the programs carry as a table.
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

notice=("Files: core/data/ds-save-chips.tsv"
    "Copyright: 2016-2022 melonDS team"
    "License: Expat"
    " Permission is hereby granted, free of charge, to any person obtaining a copy")
for deb in "${debs[@]}"; do
    copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/ondrel/copyright)
    for line in "${notice[@]}"; do
        if ! grep -qxF -- "$line" <<<"$copyright"; then
            echo "$(basename "$0"): $deb: its copyright file lacks the line \"$line\"" >&2
            exit 1
        fi
    done
done
echo "copyright: the list of games' save chips under the melonDS team's MIT licence."
