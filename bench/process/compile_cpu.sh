#!/usr/bin/env bash
# The CPU time of whole `pelublock compile` processes on a shipped sample:
# loading the program and its libraries, reading the data, writing out.r.
# Target: at most 3 ms of CPU (user + system) a run.
#   bench/process/compile_cpu.sh PELUBLOCK RUN_DIR [RUNS] [SAMPLE]
# RUN_DIR is a data directory (build-rel/run); it is copied, not written.
set -euo pipefail
program="$(readlink -f "$1")"
rundir="$2"
runs="${3:-100}"
sample="${4:-samples/square.bhb}"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/pelu-compile-cpu-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
cp -r "$rundir/." "$scratch"
cd "$scratch"
"$program" compile "$sample" -o warm.r  # the page cache, not the bench, pays for the first read
if command -v perf >/dev/null && perf stat -x, -e task-clock true 2>/dev/null; then
  # task-clock counts the CPU time of every run, children included.
  perf stat -x, -r "$runs" -e task-clock "$program" compile "$sample" -o out.r 2>stat.csv >/dev/null
  awk -F, '/task-clock/ { printf "%s: %.3f ms CPU a run (perf task-clock, %s runs)\n", "'"$program"'", $1, "'"$runs"'" }' stat.csv
else
  TIMEFORMAT='%U %S'
  { time (for ((i = 0; i < runs; i++)); do "$program" compile "$sample" -o out.r; done) ; } 2>time.txt
  awk '{ printf "%s: %.3f ms CPU a run (user %.3f + system %.3f, %s runs)\n", "'"$program"'",
         ($1 + $2) * 1000 / '"$runs"', $1 * 1000 / '"$runs"', $2 * 1000 / '"$runs"', '"$runs"' }' time.txt
fi
echo "shared libraries loaded: $(ldd "$program" | wc -l)"
