#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: never the system service.
#
#   scripts/pg-server.sh start [--tls] [DIR]
#                                      initdb into DIR (a new temporary folder when omitted) as
#                                      the postgres user, start the server on a free loopback port
#                                      with its socket in DIR, and print the conninfo of its
#                                      database "ravelin" on stdout (the folder is in it: host=DIR).
#                                      --tls: with a certificate for 127.0.0.1 and localhost made
#                                      by openssl, signed by a CA of its own (DIR/ca.crt).
#   scripts/pg-server.sh restart DIR   stop that server and start it again (same port).
#   scripts/pg-server.sh stop DIR      stop that server and delete DIR.
#
# The postgres user gets in without a password (the socket and 127.0.0.1 only); every other role
# must give its password (scram-sha-256). Two such roles are made, as a venue has them:
# ravelin_owner, no superuser, which may create databases and owns the stores it makes, and
# ravelin_pc, which logs in and nothing more. Their passwords are in DIR/pgpass (libpq's
# passfile). The server keeps synchronous commit on, and is made for tests only.
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

make_certificate() {
  local dir=$1
  command -v openssl >/dev/null || { echo "pg-server.sh: --tls needs openssl" >&2; exit 1; }
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ravelin test CA" \
    -keyout "$dir/ca.key" -out "$dir/ca.crt" >/dev/null 2>&1
  openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" \
    -keyout "$dir/data/server.key" -out "$dir/server.csr" >/dev/null 2>&1
  printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >"$dir/server.ext"
  openssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.crt" -CAkey "$dir/ca.key" \
    -CAcreateserial -days 2 -extfile "$dir/server.ext" -out "$dir/data/server.crt" >/dev/null 2>&1
  # A CA that signed nothing here, for the tests of a refused certificate.
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=another CA" \
    -keyout "$dir/other-ca.key" -out "$dir/other-ca.crt" >/dev/null 2>&1
  chmod 600 "$dir/data/server.key"
  chmod 644 "$dir/ca.crt"
  [[ $(id -u) -eq 0 ]] && chown postgres: "$dir/data/server.key" "$dir/data/server.crt"
  printf "ssl = on\nssl_cert_file = 'server.crt'\nssl_key_file = 'server.key'\n" \
    >>"$dir/data/postgresql.conf"
}

start() {
  local tls=0
  if [[ "${1:-}" == "--tls" ]]; then
    tls=1
    shift
  fi
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
  ((tls == 0)) || make_certificate "$dir"
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
  local owner_pw pc_pw
  owner_pw=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
  pc_pw=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
  as_owner "$bin/psql" -h "$dir" -p "$port" -U postgres -d postgres -qAt -v ON_ERROR_STOP=1 \
    -c "CREATE DATABASE ravelin" \
    -c "CREATE ROLE ravelin_owner LOGIN CREATEDB PASSWORD '$owner_pw'" \
    -c "CREATE ROLE ravelin_pc LOGIN PASSWORD '$pc_pw'" >/dev/null
  # Read by whoever runs the tests; libpq ignores a passfile others may read.
  printf '127.0.0.1:%s:*:ravelin_owner:%s\n127.0.0.1:%s:*:ravelin_pc:%s\n' \
    "$port" "$owner_pw" "$port" "$pc_pw" >"$dir/pgpass"
  chmod 600 "$dir/pgpass"
  echo "host=$dir port=$port user=postgres dbname=ravelin"
}

restart() {
  local dir=${1:?pg-server.sh restart needs the folder start used}
  local bin
  bin=$(pg_bin)
  # pg_ctl restart starts it with the options of the last start, port and all.
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -m fast -w -t 60 restart >/dev/null
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
  start) shift; start "$@" ;;
  restart) restart "${2:-}" ;;
  stop) stop "${2:-}" ;;
  *) echo "usage: $0 start [--tls] [DIR] | restart DIR | stop DIR" >&2; exit 2 ;;
esac
