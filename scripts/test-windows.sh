#!/usr/bin/env bash
# The Windows legs of the tests, cross-built with MinGW-w64:
#
#   scripts/test-windows.sh [x64|x86|all]     (default all)
#
#   x64  builds the windows-x64 preset (libraries, tests, the ravelin tool)
#        and runs every test under wine64, in a throwaway wine prefix inside
#        the build folder;
#   x86  builds the windows-x86 preset, the libraries' 32-bit target, tests
#        included; 32-bit code cannot run on this machine, so only the checks
#        of the built files (export tables) run.
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
started=$SECONDS
scripts/windows-deps.sh "${triples[@]}"
echo "== third-party libraries ready in $((SECONDS - started))s"

run_x64() {
  local started=$SECONDS
  # Called where set -e does not reach (status collected below): a failed build must fail the leg.
  cmake --preset windows-x64 || return
  cmake --build --preset windows-x64 || return
  local built=$SECONDS
  # The same wine settings as the preset's emulator, for the set-up below.
  export WINEPREFIX="$PWD/build/windows-x64/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  /usr/lib/wine/wine64 wineboot --init
  /usr/lib/wine/wineserver64 --wait
  # One server for every test process, instead of one started and stopped per test,
  # and wine's own services started once before the first test.
  /usr/lib/wine/wineserver64 --persistent
  /usr/lib/wine/wine64 cmd.exe /c exit >/dev/null 2>&1 || true
  local status=0
  ctest --preset windows-x64 || status=$?
  /usr/lib/wine/wineserver64 --kill || true
  echo "== windows-x64: built in $((built - started))s, tested in $((SECONDS - built))s"
  return $status
}

run_x86() {
  local started=$SECONDS
  # Called where set -e does not reach (status collected below): a failed build must fail the leg.
  cmake --preset windows-x86 || return
  cmake --build --preset windows-x86 || return
  local built=$SECONDS
  local status=0
  ctest --preset windows-x86 || status=$?
  echo "== windows-x86: built in $((built - started))s, checked in $((SECONDS - built))s"
  return $status
}

status=0
case "$legs" in
  x64) run_x64 || status=$? ;;
  x86) run_x86 || status=$? ;;
  all)
    run_x64 || status=$?
    run_x86 || status=$?
    ;;
esac
exit $status
