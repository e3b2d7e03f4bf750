#!/usr/bin/env bash
# Prints a PDF and a PNG through a private CUPS scheduler to a Brimloft queue with a file device,
# then decodes the captured printer streams into paper previews and checks the ink is where the
# pages have it; then cancels a long job of the filter with SIGTERM. Everything lives under
# --work: configuration, spool, logs, the scheduler's programs; nothing outside it is touched.
# Exits 77 (skipped) when cupsd is not installed.
#
#   run_cups_e2e.sh --filter rastertobrimloft --decoder brimloft-decode --testkit brimloft-cups-testkit
#                   --ppd brimloft-rx2p.ppd --work DIR
set -euo pipefail
umask 022

filter= decoder= testkit= ppd= work=
while [ $# -gt 0 ]; do
  case "$1" in
    --filter) filter=$2; shift 2 ;;
    --decoder) decoder=$2; shift 2 ;;
    --testkit) testkit=$2; shift 2 ;;
    --ppd) ppd=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
for arg in filter decoder testkit ppd work; do
  [ -n "${!arg}" ] || { echo "--$arg is missing" >&2; exit 2; }
done

cupsd=$(command -v cupsd || true)
[ -n "$cupsd" ] || [ ! -x /usr/sbin/cupsd ] || cupsd=/usr/sbin/cupsd
if [ -z "$cupsd" ]; then
  echo "SKIP: cupsd is not installed (Debian package cups; scripts/setup.sh installs it)"
  exit 77
fi
for tool in lp lpadmin lpstat; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (Debian package cups-client)"; exit 1; }
done
[ -f "$ppd" ] || { echo "FAIL: no PPD file $ppd (is ppdc, Debian package cups-ppdc, installed?)"; exit 1; }
system_bin=/usr/lib/cups
[ -d "$system_bin/filter" ] || { echo "FAIL: no CUPS filters in $system_bin/filter"; exit 1; }

fail() {
  echo "FAIL: $*"
  if [ -f "$work/log/error_log" ]; then
    echo "---- the scheduler's messages about jobs and errors ----"
    grep -E '^[EW] |\[Job ' "$work/log/error_log" | tail -n 60
  fi
  exit 1
}

# A fresh tree for this run.
rm -rf "$work"
mkdir -p "$work"/{etc,spool/tmp,log,cache,state,out,input,serverbin/filter}
work=$(cd "$work" && pwd)

# The scheduler's programs: the system's, with rastertobrimloft added to the filters.
for entry in "$system_bin"/*; do
  [ "$(basename "$entry")" = filter ] || ln -s "$entry" "$work/serverbin/$(basename "$entry")"
done
for entry in "$system_bin"/filter/*; do ln -s "$entry" "$work/serverbin/filter/"; done
install -m 0755 "$filter" "$work/serverbin/filter/rastertobrimloft"

# A free loopback port.
port=
for candidate in $(shuf -i 20000-60000 -n 50); do
  if ! (exec 3<>/dev/tcp/127.0.0.1/$candidate) 2>/dev/null; then port=$candidate; break; fi
done
[ -n "$port" ] || fail "no free loopback port"
server=127.0.0.1:$port

# cupsd will not run filters as root: as root they run as lp, who must reach the output folder.
if [ "$(id -u)" -eq 0 ]; then
  run_user=lp
  run_group=$(id -gn lp 2>/dev/null || echo lp)
  system_group=root
  chgrp "$run_group" "$work/out" && chmod 0775 "$work/out"
else
  run_user=$(id -un)
  run_group=$(id -gn)
  system_group=$run_group
fi

cat > "$work/etc/cups-files.conf" <<CONF
ServerRoot $work/etc
ServerBin $work/serverbin
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
RequestRoot $work/spool
TempDir $work/spool/tmp
CacheDir $work/cache
StateDir $work/state
AccessLog $work/log/access_log
ErrorLog $work/log/error_log
PageLog $work/log/page_log
Printcap $work/state/printcap
FileDevice Yes
User $run_user
Group $run_group
SystemGroup $system_group
CONF
cat > "$work/etc/cupsd.conf" <<CONF
Listen $server
LogLevel debug
Browsing No
WebInterface No
DefaultAuthType None
ErrorPolicy abort-job
MaxJobTime 120
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

"$cupsd" -f -c "$work/etc/cupsd.conf" -s "$work/etc/cups-files.conf" > "$work/log/cupsd.out" 2>&1 &
cupsd_pid=$!
trap 'kill $cupsd_pid 2>/dev/null; wait $cupsd_pid 2>/dev/null || true' EXIT

export CUPS_SERVER=$server
unset CUPS_USER CUPS_ENCRYPTION || true
for _ in $(seq 1 100); do
  lpstat -r 2>/dev/null | grep -q "is running" && break
  kill -0 $cupsd_pid 2>/dev/null || { cat "$work/log/cupsd.out"; fail "cupsd did not start"; }
  sleep 0.1
done
lpstat -r | grep -q "is running" || fail "cupsd does not answer on $server"

lpadmin -p brimloft -E -v "file://$work/out/printer.prn" -P "$ppd" || fail "cannot add the queue"

# The pages: a PDF of the queue's default roll (72 x 101.6 mm, 204.09 x 288 pt) with a black
# square, and a PNG of 400 x 576 pixels with a black square.
write_pdf() {
  local out=$1 content=$2 objects=() offsets=() pos body
  objects+=("<< /Type /Catalog /Pages 2 0 R >>")
  objects+=("<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
  objects+=("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 204.09 288] /Contents 4 0 R /Resources << >> >>")
  objects+=("<< /Length ${#content} >>
stream
$content
endstream")
  body="%PDF-1.4
"
  for i in "${!objects[@]}"; do
    offsets+=(${#body})
    body+="$((i + 1)) 0 obj
${objects[$i]}
endobj
"
  done
  pos=${#body}
  {
    printf '%s' "$body"
    printf 'xref\n0 %d\n0000000000 65535 f \n' $((${#objects[@]} + 1))
    for o in "${offsets[@]}"; do printf '%010d 00000 n \n' "$o"; done
    printf 'trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' $((${#objects[@]} + 1)) "$pos"
  } > "$out"
}
# The square spans 50 to 150 pt from the left and from the top: dots 141 to 423 at 203 dpi.
write_pdf "$work/input/page.pdf" "0 0 0 rg 50 138 100 100 re f"
"$testkit" png "$work/input/picture.png" 400 576 100 150 300 350 || fail "cannot write the PNG"

# Prints one file, waits for its job to finish and keeps the printer stream.
print_and_wait() {
  local input=$1 name=$2 shift_options=("${@:3}") reply job
  rm -f "$work/out/printer.prn"
  reply=$(lp -d brimloft "${shift_options[@]}" "$input") || fail "lp refused $input"
  job=$(sed -n 's/^request id is brimloft-\([0-9]*\).*/\1/p' <<<"$reply")
  [ -n "$job" ] || fail "no job id in: $reply"
  for _ in $(seq 1 1200); do
    lpstat -W not-completed -o brimloft 2>/dev/null | grep -q "brimloft-$job " || break
    sleep 0.1
  done
  lpstat -W not-completed -o brimloft 2>/dev/null | grep -q "brimloft-$job " && fail "job $job of $name did not finish"
  grep -q "\[Job $job\] Job completed\." "$work/log/error_log" || fail "job $job of $name did not complete"
  [ -s "$work/out/printer.prn" ] || fail "job $job of $name printed nothing"
  cp "$work/out/printer.prn" "$work/out/$name.prn"
  "$decoder" "$work/out/$name.prn" --png "$work/out/$name.png" > "$work/out/$name.txt" ||
    fail "the printer stream of $name does not decode: $(cat "$work/out/$name.txt")"
  echo "job $job ($name) printed; $(grep -E '^(paper|dots)' "$work/out/$name.txt" | tr '\n' ' ')"
}

print_and_wait "$work/input/page.pdf" pdf -o QVDither=FloydSteinberg
# The square, a little inside its edges, is solid; the rest of the roll is blank.
"$testkit" check "$work/out/pdf.png" 146 146 418 418 10 0.98 0.001 || fail "the PDF's square is not on the paper"

print_and_wait "$work/input/picture.png" png -o QVDither=FloydSteinberg
# CUPS fits the picture to the page (400 -> 563 pixels), the printer output to the head (563 ->
# 576 dots): the square covers dots 144 to 431 across and rows 216 to 504.
"$testkit" check "$work/out/png.png" 150 222 425 498 10 0.98 0.001 || fail "the PNG's rectangle is not on the paper"

# Cancelling: SIGTERM stops the filter after the strip in hand; it still ends the job on paper.
"$testkit" raster 300 8192 1100 | PPD=$ppd "$filter" 9 tester cancel 1 "" \
  > "$work/out/cancel.prn" 2> "$work/out/cancel.err" &
filter_pid=$!
sleep 1
kill -TERM $filter_pid
status=0
wait $filter_pid || status=$?
[ $status -eq 0 ] || fail "the cancelled filter exited with $status: $(cat "$work/out/cancel.err")"
grep -q "^INFO: Job cancelled after [0-9]* page(s)$" "$work/out/cancel.err" ||
  fail "the cancelled filter did not say so: $(cat "$work/out/cancel.err")"
"$decoder" "$work/out/cancel.prn" > "$work/out/cancel.txt" || fail "the cancelled job's stream does not decode"
[ "$(tail -c 12 "$work/out/cancel.prn" | od -An -tx1 | tr -d ' \n')" = 1b7a311b500d1b41081b7a30 ] ||
  fail "the cancelled job does not end with the end-of-job segment"
echo "cancelled: $(tail -n 1 "$work/out/cancel.err")"

# A full output: the scheduler hears the page, the result code's name and the output's words.
status=0
"$testkit" raster 1 576 100 | PPD=$ppd "$filter" 10 tester full 1 "" > /dev/full 2> "$work/out/full.err" || status=$?
[ $status -eq 1 ] || fail "the filter writing to a full device exited with $status"
grep -qx "ERROR: Printing page 1 failed: HRESULT_FROM_WIN32(ERROR_DISK_FULL) (0x80070070): writing to standard output: No space left on device" \
  "$work/out/full.err" || fail "the full device's failure is not said in words: $(cat "$work/out/full.err")"

echo "PASS: the PDF and the PNG printed through CUPS to the Brimloft queue; a cancelled job ended cleanly; a full output was reported in words"
