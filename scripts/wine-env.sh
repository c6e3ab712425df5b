# Sourced by the Wine scripts: a quiet, repeatable 32-bit Wine with the ANSI
# code page 1252 and no desktop integration.
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=C LC_ALL=C
