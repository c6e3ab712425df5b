#!/usr/bin/env bash
# Installs what building and testing Ondrel needs on Debian 12, and nothing
# that is already there. Safe to run again.
#   scripts/setup.sh        the native and Windows builds (scripts/run.sh)
#   scripts/setup.sh web    those, and the browser page's: Emscripten,
#                           Chromium, Node and npm, and the npm packages
# ONDREL_SETUP_WEB=1 asks for the page's tools as the argument does.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

web=${ONDREL_SETUP_WEB:-0}
case "${1:-}" in
web) web=1 ;;
"") ;;
*) echo "usage: $0 [web]" >&2; exit 2 ;;
esac

packages=(
    cmake ninja-build g++ clang clang-format strace python3 dpkg-dev file
    lintian mandoc python3-fusepy fuse3
    googletest libgtest-dev libbenchmark-dev libcli11-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine32:i386 wine64 xvfb xdotool imagemagick
)
if [ "$web" = 1 ]; then
    packages+=(emscripten chromium)
    # Node 20 or later, wherever it came from: Debian's own is 18 and would
    # replace it, so Debian's is installed only where there is none.
    command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    # 32-bit Wine comes from the i386 architecture.
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The page's npm packages, exactly as the lockfile names them; again only
# when the lockfile changed since they were installed.
if [ "$web" = 1 ] && ! [ node_modules/.package-lock.json -nt package-lock.json ]; then
    echo "Installing the page's npm packages (npm ci)"
    npm ci --no-audit --no-fund --loglevel=error
fi
