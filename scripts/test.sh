#!/usr/bin/env bash
# Runs the tests of every leg, or of the legs named:
#
#   scripts/test.sh [linux|postgres|windows|packages|all]...     (default all)
#
#   linux     installs what is missing, builds the dev preset (sanitizers on),
#             runs each fuzz target for a bounded time and then every test;
#   postgres  the store's tests again on a throwaway PostgreSQL server, with
#             the dev build (pg_leg below);
#   windows   scripts/test-windows.sh: the windows-x64 preset with every test
#             under wine64, and the windows-x86 preset with every test under
#             32-bit wine;
#   packages  scripts/package.sh builds the release packages into dist/, then
#             tests/packaging/ checks them: the Debian packages (contents,
#             lintian, installed, used and purged), each Windows Installer
#             package under Wine (install, COM registration, tool, script,
#             consumer, uninstall leaving nothing) and its major upgrade.
set -euo pipefail
cd "$(dirname "$0")/.."

# ---- The store on a PostgreSQL server ------------------------------------------------------
# Starts a server of its own (scripts/pg-server.sh start --tls: initdb into a temporary folder
# as the postgres user, a free loopback port, the socket in that folder, a certificate made by
# openssl, the owner and PC roles with passwords in the folder's passfile), runs the tests of the
# store, the dao layer and the tool's venue commands against it with RAVELIN_TEST_PG naming it,
# and stops and deletes the server on any exit, failed tests included. The tests make each store
# as the non-superuser owner and use it as the PC role, over TCP with scram-sha-256; some stop,
# restart (scripts/pg-server.sh restart) or cut off the server.
pg_server_dir=""
stop_pg_server() {
  if [[ -n "$pg_server_dir" ]]; then
    scripts/pg-server.sh stop "$pg_server_dir" || true
    pg_server_dir=""
  fi
}
pg_leg() {
  pg_server_dir=$(mktemp -d /tmp/ravelin-pg.XXXXXX)
  trap stop_pg_server EXIT
  local conninfo
  conninfo=$(scripts/pg-server.sh start --tls "$pg_server_dir")
  # The tests of the server backend carry "Server" in their names; the file ones ran above.
  # Each test works in databases of its own, so two run at once.
  RAVELIN_TEST_PG="$conninfo" ctest --preset dev -R 'Server' -j2 --output-on-failure
  stop_pg_server
  trap - EXIT
}
# ----------------------------------------------------------------------------------------------

dev_built=0
build_dev() {
  if ((dev_built == 0)); then
    scripts/install-deps.sh
    source scripts/build-cache.sh
    cmake --preset dev
    cmake --build --preset dev
    dev_built=1
  fi
}
run_linux() {
  local started=$SECONDS
  build_dev
  scripts/fuzz.sh 30
  ctest --preset dev
  echo "== linux: $((SECONDS - started))s"
}
run_postgres() {
  local started=$SECONDS
  build_dev
  pg_leg
  echo "== postgres: $((SECONDS - started))s"
}

run_packages() {
  local started=$SECONDS status=0
  scripts/package.sh all
  local built=$SECONDS
  tests/packaging/deb-test.sh || status=1
  for arch in x64 x86; do
    tests/packaging/msi-test.sh "$arch" || status=1
    tests/packaging/upgrade-test.sh "$arch" || status=1
  done
  echo "== packages: built in $((built - started))s, tested in $((SECONDS - built))s"
  return $status
}

if (($# == 0)); then
  set -- all
fi
for leg in "$@"; do
  case "$leg" in
    linux) run_linux ;;
    postgres) run_postgres ;;
    windows) scripts/test-windows.sh all ;;
    packages) run_packages ;;
    all)
      run_linux
      run_postgres
      scripts/test-windows.sh all
      run_packages
      ;;
    *) echo "usage: scripts/test.sh [linux|postgres|windows|packages|all]..." >&2; exit 2 ;;
  esac
done
