#!/usr/bin/env bash
# Runs the tests of every leg, or of the legs named:
#
#   scripts/test.sh [linux|windows|all]...     (default all)
#
#   linux    installs what is missing, builds the dev preset (sanitizers on),
#            runs each fuzz target for a bounded time and then every test;
#   windows  scripts/test-windows.sh: the windows-x64 preset with every test
#            under wine64, and the windows-x86 preset built.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# == 0)); then
  set -- all
fi
run_linux() {
  local started=$SECONDS
  scripts/install-deps.sh
  cmake --preset dev
  cmake --build --preset dev
  scripts/fuzz.sh 30
  ctest --preset dev
  echo "== linux: $((SECONDS - started))s"
}
for leg in "$@"; do
  case "$leg" in
    linux) run_linux ;;
    windows) scripts/test-windows.sh all ;;
    all)
      run_linux
      scripts/test-windows.sh all
      ;;
    *) echo "usage: scripts/test.sh [linux|windows|all]..." >&2; exit 2 ;;
  esac
done
