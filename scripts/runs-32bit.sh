#!/usr/bin/env bash
# Answers whether this machine runs 32-bit programs, and so 32-bit Wine:
# exit status 0 for yes, 1 for no. Some kernels cannot execute them at all
# ("Exec format error"), whatever packages are installed.
#
# ONDREL_RUNS_32BIT=no (or yes) gives the answer without asking the machine,
# to try the other path by hand.
case "${ONDREL_RUNS_32BIT:-}" in
yes) exit 0 ;;
no) exit 1 ;;
esac
/usr/lib/wine/wine --version >/dev/null 2>&1 || exit 1
