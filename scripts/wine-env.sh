# Sourced by the Wine scripts: a quiet, repeatable Wine with the ANSI code
# page 1252 (UTF-8 for programs whose manifest asks for it) and no desktop
# integration, 32-bit or 64-bit as ONDREL_WINE_ARCH says (win32, the
# default, or win64). Unix file names are UTF-8, so names in any script
# reach the Linux side whole.
#
# The loader and server of that width are called directly: the /usr/bin/wine
# wrapper picks the 32-bit loader whenever it is installed, and that loader
# cannot start on a machine that does not run 32-bit programs.
export ONDREL_WINE_ARCH=${ONDREL_WINE_ARCH:-win32}
case "$ONDREL_WINE_ARCH" in
win32)
    if ! "$(dirname "${BASH_SOURCE[0]}")/runs-32bit.sh"; then
        echo "This machine cannot run 32-bit programs, so 32-bit Wine cannot start here." >&2
        echo "Use the 64-bit build instead: cmake --preset win64 (scripts/test.sh and" >&2
        echo "scripts/run.sh choose it by themselves)." >&2
        exit 126
    fi
    ondrel_wine_loader=/usr/lib/wine/wine
    ondrel_wine_server=/usr/lib/wine/wineserver32
    ;;
win64)
    ondrel_wine_loader=/usr/lib/wine/wine64
    ondrel_wine_server=/usr/lib/wine/wineserver64
    ;;
*)
    echo "ONDREL_WINE_ARCH must be win32 or win64, not \"$ONDREL_WINE_ARCH\"" >&2
    exit 2
    ;;
esac
if [ ! -x "$ondrel_wine_loader" ] || [ ! -x "$ondrel_wine_server" ]; then
    echo "Wine for $ONDREL_WINE_ARCH is not installed ($ondrel_wine_loader); run scripts/setup.sh." >&2
    exit 127
fi
export WINEARCH=$ONDREL_WINE_ARCH
export WINELOADER=$ondrel_wine_loader
export WINESERVER=$ondrel_wine_server
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=C.UTF-8 LC_ALL=C.UTF-8

wine() { "$ondrel_wine_loader" "$@"; }
wineserver() { "$ondrel_wine_server" "$@"; }
wineboot() { wine wineboot "$@"; }
