#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: never the system service.
#
#   scripts/pg-server.sh start [DIR]   initdb into DIR (a new temporary folder when omitted) as
#                                      the postgres user, start the server on a free loopback port
#                                      with its socket in DIR, and print the conninfo of its
#                                      database "ravelin" on stdout (the folder is in it: host=DIR).
#   scripts/pg-server.sh stop DIR      stop that server and delete DIR.
#
# The server trusts local connections (the socket and 127.0.0.1 only), keeps synchronous commit
# on, and is made for tests only.
set -euo pipefail

pg_bin() {
  local bin
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
  [[ -n "$bin" ]] || { echo "pg-server.sh: PostgreSQL is not installed (package postgresql)" >&2; exit 1; }
  echo "$bin"
}

# Runs a command as the server's owner: the server refuses to run as root.
as_owner() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

free_port() {
  python3 - <<'PY' 2>/dev/null || echo $((20000 + RANDOM % 20000))
import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()
PY
}

start() {
  local dir=${1:-} bin port
  bin=$(pg_bin)
  if [[ -z "$dir" ]]; then
    dir=$(mktemp -d /tmp/ravelin-pg.XXXXXX)
  fi
  mkdir -p "$dir"
  chmod 755 "$dir"
  [[ $(id -u) -eq 0 ]] && chown postgres: "$dir"
  as_owner "$bin/initdb" -D "$dir/data" -U postgres -E UTF8 --locale=C.UTF-8 --auth-local=trust --auth-host=trust >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  # The owner gets in without a password; every other role must give its password, so the
  # tests can check what a wrong one does.
  cat >"$dir/data/pg_hba.conf" <<'HBA'
local all postgres trust
host all postgres 127.0.0.1/32 trust
local all all scram-sha-256
host all all 127.0.0.1/32 scram-sha-256
HBA
  for attempt in 1 2 3 4 5; do
    port=$(free_port)
    if as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=on -c synchronous_commit=on -c max_connections=60" \
        start >/dev/null; then
      break
    fi
    port=""
  done
  [[ -n "$port" ]] || { cat "$dir/server.log" >&2; exit 1; }
  as_owner "$bin/psql" -h "$dir" -p "$port" -U postgres -d postgres -qAt \
    -c "CREATE DATABASE ravelin" >/dev/null
  echo "host=$dir port=$port user=postgres dbname=ravelin"
}

stop() {
  local dir=${1:?pg-server.sh stop needs the folder start used}
  local bin
  bin=$(pg_bin)
  if [[ -f "$dir/data/postmaster.pid" ]]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

case "${1:-}" in
  start) start "${2:-}" ;;
  stop) stop "${2:-}" ;;
  *) echo "usage: $0 start [DIR] | stop DIR" >&2; exit 2 ;;
esac
