#!/usr/bin/env bash
# Who reaches the server, from a second address: in a network namespace of its own (no privilege
# needed) with a veth pair, 10.9.0.1 for the server's side and 10.9.0.2 for a client. Told nothing,
# the server listens on loopback only, and the client at the other address is refused a
# connection; told to listen at 10.9.0.1 without a password service it refuses to start, in words;
# with one, the client gets the status page over TLS but the log and the add-printer page ask for a
# password, and plain HTTP is sent to HTTPS.
# usage: network_test.sh APP WORKDIR
set -euo pipefail
if [ -z "${IN_TEST_NAMESPACE:-}" ]; then
  exec env IN_TEST_NAMESPACE=1 unshare --user --map-root-user --net bash "$0" "$@"
fi
APP=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
source "$here/app_fixture.sh"
trap 'stop_app || true' EXIT

ip link set lo up
ip link add server0 type veth peer name client0
ip addr add 10.9.0.1/24 dev server0
ip addr add 10.9.0.2/24 dev client0
ip link set server0 up
ip link set client0 up
status=0
# from_client URL: the HTTP status a client at 10.9.0.2 gets ("000": no connection).
from_client() { curl -sk -o /dev/null -w '%{http_code}' --max-time 10 --interface 10.9.0.2 "$1" || true; }
check() {  # check WHAT GOT WANTED
  if [ "$2" = "$3" ]; then echo "ok: $1 ($2)"; else echo "FAILED: $1: got $2, not $3"; status=1; fi
}

start_app "$work/loopback"
check "the loopback server answers on loopback" "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$APP_PORT/")" 200
check "a client at another address is refused a connection" "$(from_client "http://10.9.0.1:$APP_PORT/")" 000
stop_app || status=1

port=$(free_port)
if timeout 20 "$APP" server -o listen-hostname=10.9.0.1 -o server-port="$port" \
     -o spool-directory="$work/open" > "$work/open.out" 2>&1; then
  echo "FAILED: the server listened at 10.9.0.1 without a password service"; status=1
elif grep -q 'auth-service' "$work/open.out"; then
  echo "ok: listening at 10.9.0.1 without a password service is refused in words"
else
  echo "FAILED: the refusal does not say what to give:"; cat "$work/open.out"; status=1
fi

APP_HOST=10.9.0.1 start_app "$work/guarded" -o listen-hostname=10.9.0.1 -o auth-service=login
check "the status page over TLS" "$(from_client "https://10.9.0.1:$APP_PORT/")" 200
check "the log needs a password" "$(from_client "https://10.9.0.1:$APP_PORT/logs")" 401
check "adding a printer needs a password" "$(from_client "https://10.9.0.1:$APP_PORT/addprinter")" 401
check "plain HTTP is sent to HTTPS" "$(from_client "http://10.9.0.1:$APP_PORT/logs")" 301
stop_app || status=1
exit $status
