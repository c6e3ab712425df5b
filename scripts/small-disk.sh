#!/usr/bin/env bash
# A small tmpfs for the tests that fill a disk, mounted in the build folder
# (needs root, as the test run in CI has).
#   small-disk.sh mount DIR SIZE    e.g. 300k
#   small-disk.sh unmount DIR
set -euo pipefail
case "${1:-}" in
mount)
    mkdir -p "$2"
    mountpoint -q "$2" && umount "$2"
    mount -t tmpfs -o "size=$3" tmpfs "$2" || {
        echo "Cannot mount a small tmpfs at $2: run the tests as root." >&2
        exit 1
    }
    ;;
unmount) ! mountpoint -q "$2" || umount "$2" ;;
*) echo "usage: $0 mount DIR SIZE | unmount DIR" >&2; exit 2 ;;
esac
