#!/usr/bin/env bash
# Checks the built Ondrel.exe as a file: a 32-bit (PE32, i386) Windows GUI
# program that imports only DLLs shipped with Windows, within its size budget.
#   check-exe.sh PATH/Ondrel.exe [MAX_BYTES]
set -euo pipefail
exe=$1
max=${2:-262144}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

# DLLs every Windows since XP has in its system folder.
system_dlls="kernel32.dll user32.dll gdi32.dll comdlg32.dll comctl32.dll advapi32.dll
shell32.dll msvcrt.dll ole32.dll oleaut32.dll shlwapi.dll version.dll"

headers=$("$objdump" -p "$exe")
fail=0
check() {
    if grep -qE "$2" <<<"$headers"; then echo "ok    $1"; else echo "FAIL  $1"; fail=1; fi
}
check "file format pei-i386" 'file format pei-i386'
check "PE32 (optional header magic 010b)" '^Magic[[:space:]]+010b'
check "GUI subsystem" '^Subsystem[[:space:]]+00000002'

while read -r dll; do
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
    if grep -qw -- "$lower" <<<"$system_dlls"; then
        echo "ok    imports $dll"
    else
        echo "FAIL  imports $dll, which is not a Windows system DLL"
        fail=1
    fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

size=$(stat -c %s "$exe")
echo "size  $size bytes ($(( (size + 1023) / 1024 )) KiB; budget $(( max / 1024 )) KiB)"
if [ "$size" -gt "$max" ]; then echo "FAIL  larger than the budget"; fail=1; fi
exit $fail
