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
# The program's exit status is passed on. The presets leave wine's error
# channel on (WINEDEBUG=fixme-all): when a program cannot start (a DLL that
# does not load, a process that fails to initialise), wine's own message on
# standard error says why.
#
# A run that ends with a failure status having written nothing at all, not a
# byte on either stream, never reached the program's main: every program run
# here prints before it can fail. Such a start is tried again, at most twice,
# and each retry is said on standard error and counted in
# $WINEPREFIX/wine-run-retries.log, which the test scripts report at the end
# of a leg, so that a retry is never silent.
#
# Wine's server ends three seconds after its last program. A program that
# connects just as it ends has its connection reset ("wine client error:0:
# recvmsg: Connection reset by peer") and fails before its main. Run one test
# after another with nothing keeping the server up (ctest with no persistent
# server started by the test script) and that happens now and then; so every
# run first makes sure a server is up that outlives the last program by a
# minute. When one is already running (the test scripts start theirs
# persistent) this second one ends at once.
set -u
loader="${RAVELIN_WINE:-/usr/lib/wine/wine64}"
if [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]]; then
  /usr/lib/wine/wineserver64 --persistent=60 </dev/null >/dev/null 2>&1 || true
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

for attempt in 1 2 3; do
  status=0
  "$loader" "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  if ((status == 0)) || [[ -s "$scratch/out" || -s "$scratch/err" ]]; then
    break
  fi
  note="wine-run: ${loader##*/} $1 ended with status $status and printed nothing (start $attempt of 3)"
  if ((attempt == 3)); then
    echo "$note" >&2
    break
  fi
  echo "$note; starting it again" >&2
  if [[ -n "${WINEPREFIX:-}" ]]; then
    echo "$(date -u +%FT%TZ) $note ${*:2}" >>"$WINEPREFIX/wine-run-retries.log"
  fi
done
tr -d '\r' <"$scratch/out"
tr -d '\r' <"$scratch/err" >&2
exit "$status"
