#!/usr/bin/env bash
# Runs a Windows program under wine: the emulator of the Windows presets, which
# CTest puts before every test program. The preset sets the wine prefix and
# RAVELIN_WINE, the loader of the program's architecture: /usr/lib/wine/wine64
# for x64, /usr/lib/wine/wine for x86 (32-bit code in the 64-bit prefix).
#
# Neither standard output nor standard error reaches wine as a pipe: both go
# to files, which are copied out after the program ends. Wine starts its own
# service processes on demand (the desktop, rpcss, the device manager) from
# whichever program first needs them; they inherit that program's handles and
# live as long as the wine server, so a pipe handed to wine would stay open
# and CTest would wait on it until its timeout.
#
# The C runtime writes text mode, with CR LF line ends; they come back as LF,
# as the output reads on Windows itself when read in text mode, so that CTest
# and gtest_discover_tests parse it as they do elsewhere.
#
# The program's exit status is passed on. When the loader itself fails (no
# such file, a prefix it cannot use), its status and its own message on
# standard error say so: a test never ends silently.
set -u
loader="${RAVELIN_WINE:-/usr/lib/wine/wine64}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

status=0
"$loader" "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
tr -d '\r' <"$scratch/out"
tr -d '\r' <"$scratch/err" >&2
if ((status != 0)) && [[ ! -s "$scratch/out" && ! -s "$scratch/err" ]]; then
  echo "wine-run: ${loader##*/} $1 ended with status $status and printed nothing" >&2
fi
exit "$status"
