# Sourced by the printer application's tests and benchmark: a cupsd of their own on loopback, on a
# free port, with every folder inside the given one; exports CUPS_SERVER for lp and lpadmin.
#   source app_fixture.sh; source cups_fixture.sh; start_cupsd FOLDER; ...; stop_cupsd
cupsd_pid=
start_cupsd() {
  local c=$1 port
  port=$(free_port)
  mkdir -p "$c/etc/ppd" "$c/spool" "$c/tmp" "$c/cache" "$c/state" "$c/log"
  cat > "$c/etc/cupsd.conf" <<CONF
Listen 127.0.0.1:$port
LogLevel warn
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow from 127.0.0.1
</Location>
# Only this cupsd's own clients reach it (loopback, a port of its own): no passwords.
DefaultPolicy open
<Policy open>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat > "$c/etc/cups-files.conf" <<CONF
ServerRoot $c/etc
RequestRoot $c/spool
TempDir $c/tmp
CacheDir $c/cache
StateDir $c/state
AccessLog $c/log/access_log
ErrorLog $c/log/error_log
PageLog $c/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
CONF
  chmod -R go+rX "$c"
  cupsd -f -c "$c/etc/cupsd.conf" -s "$c/etc/cups-files.conf" &
  cupsd_pid=$!
  export CUPS_SERVER=127.0.0.1:$port
  for _ in $(seq 100); do lpstat -r >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "cupsd did not start" >&2
  return 1
}
stop_cupsd() {
  [ -n "$cupsd_pid" ] || return 0
  kill "$cupsd_pid" 2>/dev/null || true
  wait "$cupsd_pid" 2>/dev/null || true
  cupsd_pid=
}
