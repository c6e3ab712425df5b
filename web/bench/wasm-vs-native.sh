#!/usr/bin/env bash
# Convert alone, on the same saves made in memory: the native core against
# the page's (WebAssembly under node), one run after the other.
#
#   web/bench/wasm-vs-native.sh [ROUNDS]
#
# Needs the native and wasm presets built (scripts/run-web.sh builds both).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
rounds=${1:-200}
native=build/native/core/bench/convert_bytes_bench
wasm=build/wasm/core/bench/convert_bytes_bench.js
for program in "$native" "$wasm"; do
    [ -e "$program" ] || { echo "$program is missing: build the native and wasm presets first." >&2; exit 1; }
done
echo "== native"
"$native" "$rounds" | tee build/native/convert_bytes_bench.txt
echo "== wasm (node $(node --version))"
node "$wasm" "$rounds" | tee build/wasm/convert_bytes_bench.txt
paste <(awk '/sum of medians/ { print $4 }' build/native/convert_bytes_bench.txt) \
      <(awk '/sum of medians/ { print $4 }' build/wasm/convert_bytes_bench.txt) |
    awk '{ printf "wasm / native: %.2fx (sums of medians: %s us against %s us)\n", $2 / $1, $2, $1 }'
