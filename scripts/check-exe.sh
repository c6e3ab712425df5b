#!/usr/bin/env bash
# Checks a built Ondrel.exe as a file, without running it (no Wine needed):
# a Windows GUI program of the given processor, with its manifest naming
# that processor, the resources the dialog loads, imports of DLLs shipped
# with Windows only, and a size within its budget: 224 KiB, which leaves the
# dialog room to grow (the release build is linked with link-time
# optimization; see cmake/toolchain-mingw.cmake).
#   check-exe.sh PATH/Ondrel.exe i686|x86_64 [MAX_BYTES]
# Or checks the Windows zip users download holds the programs, the page and
# every licence, that of the list of games' save chips beside the programs
# (whose table they carry):
#   check-exe.sh --zip PATH/ondrel-VERSION-win32.zip
set -euo pipefail
if [ "${1:-}" = --zip ]; then
    zip=$2
    names=$(zipinfo -1 "$zip")
    fail=0
    for name in Ondrel.exe ondrel-convert.exe ondrel.html README.md LICENSE; do
        path=$(grep -E "(^|/)$name\$" <<<"$names" | head -n 1)
        if [ -z "$path" ]; then
            echo "FAIL  holds no $name"
            fail=1
            continue
        fi
        echo "ok    holds $path"
        # The programs that carry the table of games' chips have its notice beside them.
        case $name in
        *.exe | *.html)
            if grep -qxF "$(dirname "$path")/LICENSE-ds-save-chips.txt" <<<"$names"; then
                echo "ok    the list's licence beside $name"
            else
                echo "FAIL  no LICENSE-ds-save-chips.txt beside $name"
                fail=1
            fi
            ;;
        esac
    done
    notice=$(unzip -p "$zip" '*LICENSE-ds-save-chips.txt')
    for line in "Copyright (c) 2016-2022 melonDS team" \
        "Permission is hereby granted, free of charge, to any person obtaining a copy"; do
        if grep -qxF -- "$line" <<<"$notice"; then
            echo "ok    notice: $line"
        else
            echo "FAIL  notice lacks: $line"
            fail=1
        fi
    done
    exit $fail
fi
exe=$1
arch=$2
max=${3:-229376}
case "$arch" in
i686) format=pei-i386 magic=010b manifest_arch=x86 ;;      # PE32
x86_64) format=pei-x86-64 magic=020b manifest_arch=amd64 ;; # PE32+
*) echo "usage: $0 EXE i686|x86_64 [MAX_BYTES]" >&2; exit 2 ;;
esac
objdump=${OBJDUMP:-$arch-w64-mingw32-objdump}

# DLLs every Windows since XP has in its system folder.
system_dlls="kernel32.dll user32.dll gdi32.dll comdlg32.dll comctl32.dll advapi32.dll
shell32.dll msvcrt.dll ole32.dll oleaut32.dll shlwapi.dll version.dll"

headers=$("$objdump" -p "$exe")
fail=0
check() {
    if grep -qE -- "$2" <<<"$3"; then echo "ok    $1"; else echo "FAIL  $1"; fail=1; fi
}
check "file format $format" "file format $format\$" "$headers"
check "optional header magic $magic" "^Magic[[:space:]]+$magic[[:space:]]" "$headers"
check "GUI subsystem" '^Subsystem[[:space:]]+00000002' "$headers"

# Resources as "type/id" pairs in hexadecimal, from the resource directory
# that objdump prints: type entries are indented by three blanks, name
# entries by five.
resources=$(awk '
    /^[0-9a-f]+   Entry: ID:/   { sub(",", "", $4); type = $4 }
    /^[0-9a-f]+     Entry: ID:/ { sub(",", "", $4); print type "/" $4 }' <<<"$headers")
check "dialog template 102" '^0x000005/0x000066$' "$resources"
check "icon group 128" '^0x00000e/0x000080$' "$resources"
check "version information" '^0x000010/0x000001$' "$resources"
check "application manifest" '^0x000018/0x000001$' "$resources"
check "manifest for processor $manifest_arch" \
    "version=\"1.0.0.1\" processorArchitecture=\"$manifest_arch\"" "$(grep -ao 'version="1.0.0.1" processorArchitecture="[^"]*"' "$exe")"

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
