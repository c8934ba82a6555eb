#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: initdb into a temporary
# folder, the server on a Unix socket in it (no TCP port), as the user
# `postgres` when run as root.
#   pg_test_server.sh start DIR   prints the connection URI of the server
#   pg_test_server.sh stop DIR    stops it and removes DIR
set -euo pipefail
cmd=${1:?start|stop}
dir=${2:?folder}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -n "$bin" ] || bin=$(dirname "$(command -v pg_ctl)")
as=()
if [ "$(id -u)" -eq 0 ]; then as=(runuser -u postgres --); fi
case "$cmd" in
start)
  # what a stopped run left behind goes first
  if [ -e "$dir" ]; then bash "$0" stop "$dir"; fi
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
  "${as[@]}" "$bin/initdb" -D "$dir/data" -U postgres -A trust --no-sync >"$dir/initdb.log" 2>&1
  "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-k $dir -c listen_addresses='' -c fsync=off -c max_connections=200" start >/dev/null
  echo "postgresql://postgres@/postgres?host=$dir"
  ;;
stop)
  if [ -f "$dir/data/postmaster.pid" ]; then
    "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
esac
