# Sourced by the printer application's tests: starts brimloft-printer-app on loopback with a
# private spool folder and a free port, adds file:// printers, and stops it. Every wait is bounded.
#   APP=path/to/brimloft-printer-app; source app_fixture.sh; start_app WORKDIR; add_printer NAME DRIVER

FIXTURE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# start_app WORKDIR [extra server options...]: sets APP_PORT, APP_PID, APP_SPOOL, APP_OUTPUT. It
# waits for the server at APP_HOST (default 127.0.0.1).
start_app() {
  local work=$1
  shift
  APP_SPOOL=$work/spool
  APP_OUTPUT=$APP_SPOOL/output
  APP_PORT=$(free_port)
  APP_LOG_DIR=$work
  mkdir -p "$work"
  # Under the sanitizers: full stacks, so that only PAPPL's own leaks are passed over.
  local sanitizer_env=()
  [ -n "${LSAN_OPTIONS:-}" ] && sanitizer_env=(
    "ASAN_OPTIONS=${ASAN_OPTIONS:-}:fast_unwind_on_malloc=0"
    "LSAN_OPTIONS=$LSAN_OPTIONS:suppressions=$FIXTURE_DIR/pappl_leaks.supp")
  env "${sanitizer_env[@]}" "$APP" server -o server-port="$APP_PORT" -o spool-directory="$APP_SPOOL" \
    -o log-file="$work/app.log" -o log-level="${APP_LOG_LEVEL:-info}" "$@" >"$work/app.out" 2>&1 &
  APP_PID=$!
  for _ in $(seq 100); do
    if curl -s -o /dev/null "http://${APP_HOST:-127.0.0.1}:$APP_PORT/"; then return 0; fi
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "brimloft-printer-app did not start:" >&2
  cat "$work/app.out" >&2
  return 1
}

# add_printer NAME DRIVER [DEVICE-URI]: the device defaults to the output folder (a file per job).
add_printer() {
  ipptool -q -T 10 -d name="$1" -d driver="$2" -d device="${3:-file://$APP_OUTPUT}" \
    "ipp://localhost:$APP_PORT/ipp/system" "$FIXTURE_DIR/create-printer.test"
}

# Stops the server (SIGTERM, then SIGKILL after 30 s); fails when it had already died, or when a
# sanitizer reported a fault or a leak (they report at exit, in the server's output).
stop_app() {
  [ -n "${APP_PID:-}" ] || return 0
  if ! kill -0 "$APP_PID" 2>/dev/null; then
    echo "brimloft-printer-app had died" >&2
    APP_PID=
    return 1
  fi
  kill -TERM "$APP_PID"
  for _ in $(seq 300); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$APP_PID" 2>/dev/null || true
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=
  if grep -E 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$APP_LOG_DIR/app.out"; then
    echo "brimloft-printer-app reported a fault (see $APP_LOG_DIR/app.out)" >&2
    return 1
  fi
}

# wait_jobs_done PRINTER [SECONDS]: until the printer has no job waiting or printing.
wait_jobs_done() {
  for _ in $(seq $(( ${2:-30} * 10 ))); do
    ipptool -q -T 5 "ipp://localhost:$APP_PORT/ipp/print/$1" "$FIXTURE_DIR/jobs-idle.test" && return 0
    sleep 0.1
  done
  echo "printer $1 still has jobs after ${2:-30} s" >&2
  return 1
}
