#!/usr/bin/env bash
# Measures the compile command on a million-chip program of the benchmarks
# as a whole process: wall time and peak memory.
#   scripts/measure-compile.sh [--branches] [PELUBLOCK...]
# (default build-rel/pelublock). Without --branches the program is the chain
# (bench/codegen, MakeChain); with it a third each of branch, loop and plain
# chips, every branch and loop chip with both exits (MakeBranchHeavy).
# The .bhb, setting.ini and ChipDB.txt are made in a scratch folder, which is
# removed at the end; with several binaries their scripts are compared too.
# The .bhb is synced to disk before the runs, so that the kernel writing it
# back does not land in the first binary's time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
shape=chain
if [ "${1:-}" = "--branches" ]; then
  shape=branches
  shift
fi
binaries=("$@")
[ ${#binaries[@]} -gt 0 ] || binaries=("$root/build-rel/pelublock")
for i in "${!binaries[@]}"; do binaries[i]="$(realpath "${binaries[i]}")"; done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
LC_ALL=C sed -e 's/^MaxChipNumX=.*/MaxChipNumX=1000/' -e 's/^MaxChipNumY=.*/MaxChipNumY=1000/' \
  -e 's/^IfChipID=.*/IfChipID=if/' -e 's/^IfChipTrueID=.*/IfChipTrueID=yes/' \
  -e 's/^IfChipFalseID=.*/IfChipFalseID=no/' -e 's/^LoopChipID=.*/LoopChipID=loop/' \
  -e 's/^LoopChipTrueID=.*/LoopChipTrueID=again/' \
  -e 's/^LoopChipFalseID=.*/LoopChipFalseID=leave/' \
  "$root/data/setting.ini" > setting.ini
printf '%s\n' '<define go>' 'code=MOVE:FWD:*1:*2' 'property1_name=distance' \
  'property1_type=NUM' 'property2_name=speed' 'property2_type=SELECT;slow;normal;fast' \
  'property2_code=30;60;100' '</define>' \
  '<define if>' 'code=IF:*1:*3:*2\*9*eELSE\*e' 'property1_name=test' \
  'property1_type=IF:DIST:BUMP' 'property1_code=DIST;BUMP' 'property2_name=value' \
  'property2_type=VARIABLE:NUM:SELECT;yes;no' 'property2_code=0;1 0' 'property3_name=compare' \
  'property3_type=VARIABLE:SELECT;below;above:NULL' 'property3_code=LT GE;EQ' '</define>' \
  '<define loop>' 'code=LOOP:*e:*1*e*e' 'property1_name=times' 'property1_type=NUM' \
  '</define>' > ChipDB.txt
# Saved as the writer saves it: cells in row order, keys sorted by bytes.
SHAPE="$shape" python3 - <<'PY'
import os

K = 1000
RIGHT, DOWN = b"\x81\xa8", b"\x81\xab"


def chain(x, y):
    # A snake: left to right along even rows, back along odd ones, down at
    # each row's end.
    i = x if y % 2 == 0 else K - 1 - x
    to = b"lower" if i == K - 1 else (b"right" if y % 2 == 0 else b"left")
    speed = b"fast" if i % 3 == 0 else b"normal"
    return b"go", {b"distance": b"%d" % (i % 100), b"speed": speed, b"to": to}


def branches(x, y):
    last = x == K - 1
    kind = (x + y) % 3
    if kind == 0:
        to = b"lower" if last else b"right"
        return b"go", {b"distance": b"%d" % (x % 100), b"speed": b"fast", b"to": to}
    if kind == 1:
        even = y % 2 == 0
        return b"if", {b"test": b"DIST" if even else b"BUMP", b"value": b"30" if even else b"yes",
                       b"compare": b"below", b"yes": DOWN if last else RIGHT, b"no": DOWN}
    return b"loop", {b"times": b"3", b"again": DOWN, b"leave": DOWN if last else RIGHT}


make = branches if os.environ["SHAPE"] == "branches" else chain
with open("program.bhb", "wb") as f:
    for y in range(K):
        for x in range(K):
            chip, properties = make(x, y)
            f.write(b"<box %d %d %s>\r\n" % (x, y, chip))
            for key in sorted(properties):
                f.write(key + b"=" + properties[key] + b"\r\n")
            f.write(b"</box>\r\n")
PY
sync program.bhb
echo "program.bhb ($shape): $(stat -c %s program.bhb) bytes"
n=0
for binary in "${binaries[@]}"; do
  n=$((n + 1))
  for run in 1 2 3 4 5; do
    /usr/bin/time -f "$binary: %e s wall, %U s user, %S s sys, %M KiB peak" \
      "$binary" compile program.bhb -o "out$n.r"
  done
  [ "$n" -eq 1 ] || cmp out1.r "out$n.r"
done
echo "out.r: $(stat -c %s out1.r) bytes"
# The floor, five times each: reading the .bhb and writing out.r's bytes,
# then the same with the write synced as the command syncs out.r.
bytes="$(stat -c %s out1.r)"
for sync in no yes; do
  for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    cat program.bhb > /dev/null
    head -c "$bytes" /dev/zero > copy.r
    [ "$sync" = no ] || sync copy.r
    echo $(( ($(date +%s%N) - start) / 1000000 ))
  done | sort -n | sed -n 3p | sed "s/^/floor (cat + write, synced: $sync): median /; s/$/ ms/"
done
