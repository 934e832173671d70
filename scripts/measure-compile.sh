#!/usr/bin/env bash
# Measures the compile command on the million-chip chain of the benchmarks
# (bench/codegen, MakeChain) as a whole process: wall time and peak memory.
#   scripts/measure-compile.sh [PELUBLOCK...]   (default build-rel/pelublock)
# The .bhb, setting.ini and ChipDB.txt are made in a scratch folder, which is
# removed at the end; with several binaries their scripts are compared too.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
binaries=("$@")
[ ${#binaries[@]} -gt 0 ] || binaries=("$root/build-rel/pelublock")
for i in "${!binaries[@]}"; do binaries[i]="$(realpath "${binaries[i]}")"; done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
LC_ALL=C sed -e 's/^MaxChipNumX=.*/MaxChipNumX=1000/' -e 's/^MaxChipNumY=.*/MaxChipNumY=1000/' \
  "$root/data/setting.ini" > setting.ini
printf '%s\n' '<define go>' 'code=MOVE:FWD:*1:*2' 'property1_name=distance' \
  'property1_type=NUM' 'property2_name=speed' 'property2_type=SELECT;slow;normal;fast' \
  'property2_code=30;60;100' '</define>' > ChipDB.txt
# A snake: left to right along even rows, back along odd ones, down at each
# row's end; saved as the writer saves it (cells in row order, keys sorted).
python3 - <<'PY'
K = 1000
with open("chain.bhb", "w", newline="") as f:
    for y in range(K):
        for x in range(K):
            i = x if y % 2 == 0 else K - 1 - x
            to = "lower" if i == K - 1 else ("right" if y % 2 == 0 else "left")
            speed = "fast" if i % 3 == 0 else "normal"
            f.write(f"<box {x} {y} go>\r\ndistance={i % 100}\r\nspeed={speed}\r\nto={to}\r\n</box>\r\n")
PY
echo "chain.bhb: $(stat -c %s chain.bhb) bytes"
n=0
for binary in "${binaries[@]}"; do
  n=$((n + 1))
  for run in 1 2 3; do
    /usr/bin/time -f "$binary: %e s wall, %U s user, %S s sys, %M KiB peak" \
      "$binary" compile chain.bhb -o "out$n.r"
  done
  [ "$n" -eq 1 ] || cmp out1.r "out$n.r"
done
echo "out.r: $(stat -c %s out1.r) bytes"
time (cat chain.bhb > /dev/null && head -c "$(stat -c %s out1.r)" /dev/zero > copy.r)
