#!/usr/bin/env bash
# Runs a Windows program under wine64: the windows-x64 preset's emulator, which
# CTest puts before every test program. The preset sets the wine prefix.
#
# The C runtime writes its standard output in text mode, with CR LF line ends;
# they come back as LF, as the output reads on Windows itself when read in text
# mode, so that CTest and gtest_discover_tests parse it as they do elsewhere.
# The output passes through a file, not a pipe: wine's own service processes,
# started on demand, inherit the program's handles and would hold a pipe open.
set -u
output="$(mktemp)"
trap 'rm -f "$output"' EXIT
status=0
/usr/lib/wine/wine64 "$@" >"$output" || status=$?
tr -d '\r' <"$output"
exit "$status"
