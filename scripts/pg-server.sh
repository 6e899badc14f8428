# A throw-away PostgreSQL server, for the tests and the benchmark; sourced.
#   pg_server_start   starts one, not as root, listening only on a Unix socket
#                     in a private temporary directory, and sets PG_CONNINFO
#                     (to reach it as its administrator) and PG_RESTART (a
#                     command that restarts it);
#   pg_server_stop    stops it and removes its directory; an EXIT trap does
#                     it too, on every way out.
# Needs `here`, the scripts directory.

# The server's programs (initdb, pg_ctl): Debian keeps them out of PATH.
pg_server_bin() {
  local dir
  for dir in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    if [ -x "$dir/initdb" ] && [ -x "$dir/pg_ctl" ]; then echo "$dir"; return 0; fi
  done
  if command -v initdb >/dev/null 2>&1 && command -v pg_ctl >/dev/null 2>&1; then
    dirname "$(command -v initdb)"
    return 0
  fi
  return 1
}

pg_server_stop() {
  [ -n "${pg_dir:-}" ] || return 0
  "${pg_as_server[@]}" "$pg_bin/pg_ctl" -D "$pg_dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$pg_dir"
  pg_dir=
}

pg_server_start() {
  pg_bin=$(pg_server_bin) || {
    "$here/ensure-packages" postgresql
    pg_bin=$(pg_server_bin) || { echo "pg-server: PostgreSQL's server programs not found" >&2; exit 1; }
  }
  # The server never runs as root: as root it runs as the postgres user.
  pg_as_server=()
  if [ "$(id -u)" -eq 0 ]; then
    id postgres >/dev/null 2>&1 || { echo "pg-server: no postgres user to run the server as" >&2; exit 1; }
    pg_as_server=(runuser -u postgres --)
  fi

  # A private directory for the data and the socket, reachable by nobody
  # else; memory-backed when there is room (a container's /dev/shm may hold
  # only 64 MiB, and the server needs a few hundred).
  local base=/dev/shm free_kib
  free_kib=$(df -Pk "$base" 2>/dev/null | awk 'NR == 2 { print $4 }')
  if [ ! -w "$base" ] || [ "${free_kib:-0}" -lt 1048576 ]; then base=${TMPDIR:-/tmp}; fi
  pg_dir=$(mktemp -d "$base/irstore-pg.XXXXXX")
  trap pg_server_stop EXIT
  trap 'exit 1' INT TERM HUP  # through the EXIT trap
  chmod 700 "$pg_dir"
  [ ${#pg_as_server[@]} -eq 0 ] || chown postgres "$pg_dir"

  local admin=irstore_admin port=5432
  "${pg_as_server[@]}" "$pg_bin/initdb" -D "$pg_dir/data" -U "$admin" -A trust -E SQL_ASCII --locale=C \
    --no-sync >"$pg_dir/initdb.log" 2>&1 || { cat "$pg_dir/initdb.log" >&2; exit 1; }
  # Members of irstore_password_login must give their password; the tests
  # make such roles to check user ids and passwords.
  cat >"$pg_dir/data/pg_hba.conf" <<EOF
local all +irstore_password_login scram-sha-256
local all all trust
EOF
  # A throw-away server: durability buys nothing here.
  "${pg_as_server[@]}" "$pg_bin/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -k $pg_dir -p $port -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
    start >/dev/null || { cat "$pg_dir/server.log" >&2; exit 1; }
  "$pg_bin/psql" -X -q -h "$pg_dir" -p "$port" -U "$admin" -d postgres \
    -c "CREATE ROLE irstore_password_login NOLOGIN" >/dev/null
  PG_CONNINFO="host=$pg_dir port=$port user=$admin"
  PG_RESTART="${pg_as_server[*]} $pg_bin/pg_ctl -D $pg_dir/data -l $pg_dir/server.log -w -t 60 -m fast restart"
}
