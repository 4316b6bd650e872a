#!/usr/bin/env bash
# The Windows legs of the tests, cross-built with MinGW-w64:
#
#   scripts/test-windows.sh [x64|x86|all]     (default all)
#
#   x64  builds the windows-x64 preset (libraries, tests, the ravelin tool)
#        and runs every test under wine64, in a throwaway wine prefix inside
#        the build folder;
#   x86  the same for the windows-x86 preset, the 32-bit target of the hosts,
#        under the 32-bit loader /usr/lib/wine/wine (wine32:i386, WoW64).
#
# Installs what is missing first, and builds the third-party libraries with
# scripts/windows-deps.sh unless its cache already holds them.
set -euo pipefail
cd "$(dirname "$0")/.."

legs="${1:-all}"
case "$legs" in
  x64) triples=(x86_64-w64-mingw32) ;;
  x86) triples=(i686-w64-mingw32) ;;
  all) triples=(x86_64-w64-mingw32 i686-w64-mingw32) ;;
  *) echo "usage: scripts/test-windows.sh [x64|x86|all]" >&2; exit 2 ;;
esac

scripts/install-deps.sh scripts/packages.txt scripts/packages-windows.txt
source scripts/build-cache.sh
started=$SECONDS
scripts/windows-deps.sh "${triples[@]}"
echo "== third-party libraries ready in $((SECONDS - started))s"

# run_leg <preset> <loader>: builds the preset and runs every test under the loader, in a
# throwaway wine prefix inside the build folder. Called where set -e does not reach (status
# collected below): a failed build must fail the leg.
run_leg() {
  local preset=$1 loader=$2 started=$SECONDS
  cmake --preset "$preset" || return
  cmake --build --preset "$preset" || return
  local built=$SECONDS
  # The same wine settings as the preset's emulator, for the set-up below. The prefix is a
  # 64-bit one for both legs: 32-bit programs run in it as they do on 64-bit Windows (WoW64).
  export WINEPREFIX="$PWD/build/$preset/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  /usr/lib/wine/wine64 wineboot --init >"$PWD/build/$preset/wineboot.log" 2>&1
  /usr/lib/wine/wineserver64 --wait
  # One server for every test process, instead of one started and stopped per test,
  # and wine's own services started once, by a program of the leg's architecture,
  # before the first test.
  /usr/lib/wine/wineserver64 --persistent
  "$loader" cmd.exe /c exit >/dev/null 2>&1 || true
  local status=0
  ctest --preset "$preset" || status=$?
  /usr/lib/wine/wineserver64 --kill || true
  # Starts that wine-run.sh tried again (a program that ended before printing anything).
  local retries=0
  if [[ -f "$WINEPREFIX/wine-run-retries.log" ]]; then
    retries=$(wc -l <"$WINEPREFIX/wine-run-retries.log")
    cat "$WINEPREFIX/wine-run-retries.log"
  fi
  echo "== $preset: built in $((built - started))s, tested in $((SECONDS - built))s, $retries start(s) retried"
  return $status
}

status=0
case "$legs" in
  x64) run_leg windows-x64 /usr/lib/wine/wine64 || status=$? ;;
  x86) run_leg windows-x86 /usr/lib/wine/wine || status=$? ;;
  all)
    run_leg windows-x64 /usr/lib/wine/wine64 || status=$?
    run_leg windows-x86 /usr/lib/wine/wine || status=$?
    ;;
esac
exit $status
