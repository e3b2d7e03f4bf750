#!/usr/bin/env bash
# brimloft-print with the real filter module when its output goes wrong: a reader that goes away
# (SIGPIPE must not kill it), a full device, and Ctrl-C, which still ends the job with the
# end-of-job segment. Every stream that reaches the output decodes: only whole segments.
# usage: print_faults_test.sh BRIMLOFT_PRINT BRIMLOFT_XPSPACK BRIMLOFT_DECODE PAGE_FOLDER
set -u
print=$1 xpspack=$2 decode=$3 source=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
end_of_job=1b7a311b500d1b41081b7a30

# A job of 60 copies of the given one-page package, long enough to be interrupted.
mkdir -p "$scratch/job/Documents/1/Pages/_rels"
cp -r "$source/[Content_Types].xml" "$source/_rels" "$source/FixedDocumentSequence.fdseq" "$scratch/job/"
[ -d "$source/Resources" ] && cp -r "$source/Resources" "$scratch/job/"
document='<FixedDocument xmlns="http://schemas.microsoft.com/xps/2005/06">'
for i in $(seq 1 60); do
  cp "$source/Documents/1/Pages/1.fpage" "$scratch/job/Documents/1/Pages/$i.fpage"
  cp "$source/Documents/1/Pages/_rels/1.fpage.rels" "$scratch/job/Documents/1/Pages/_rels/$i.fpage.rels"
  document+="<PageContent Source=\"Pages/$i.fpage\"/>"
done
echo "$document</FixedDocument>" >"$scratch/job/Documents/1/FixedDocument.fdoc"
font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf
"$xpspack" --part /Resources/Fonts/DejaVuSansMono.ttf=$font "$scratch/job" "$scratch/job.xps" ||
  { echo "FAIL cannot pack the job"; exit 1; }

# A reader that takes 100 bytes and goes away: a clear failure, not death by SIGPIPE (141).
"$print" -p RX2P "$scratch/job.xps" 2>"$scratch/pipe.err" | head -c 100 >/dev/null
status=${PIPESTATUS[0]}
[ "$status" -eq 1 ] || fail "broken pipe: exit $status (want 1)"
grep -qi "pipe" "$scratch/pipe.err" || fail "broken pipe: no message naming it: $(cat "$scratch/pipe.err")"

# A device that is full from the first byte: a clear failure and nothing lost on the way.
"$print" -p RX2P --output /dev/full "$scratch/job.xps" 2>"$scratch/full.err"
status=$?
[ "$status" -eq 1 ] || fail "full device: exit $status (want 1)"
grep -q "No space left on device" "$scratch/full.err" || fail "full device: $(cat "$scratch/full.err")"

# Ctrl-C during the job: exit 130, whole segments, the last one the end of the job (on standard
# output, which gets the bytes as they come, as a device does; a file is only replaced by a whole job).
"$print" -p RX2P "$scratch/job.xps" >"$scratch/stopped.prn" 2>"$scratch/int.err" &
job=$!
for _ in $(seq 1 200); do
  [ -s "$scratch/stopped.prn" ] && break
  sleep 0.05
done
kill -INT "$job"
wait "$job"
status=$?
[ "$status" -eq 130 ] || fail "interrupt: exit $status (want 130): $(cat "$scratch/int.err")"
"$decode" "$scratch/stopped.prn" >"$scratch/stopped.txt" 2>&1 || fail "interrupt: the stream does not decode"
segments=$(sed -n 's/^segments: //p' "$scratch/stopped.txt")
[ -n "$segments" ] && [ "$segments" -lt 61 ] || fail "interrupt: $segments segments, the job was not stopped"
[ "$(tail -c 12 "$scratch/stopped.prn" | od -An -tx1 | tr -d ' \n')" = "$end_of_job" ] ||
  fail "interrupt: the output does not end with the end-of-job segment"

[ "$failed" -eq 0 ] && echo "all passed"
[ "$failed" -eq 0 ]
