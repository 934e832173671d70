#!/usr/bin/env bash
# Runs every libFuzzer target in turn for SECONDS each (default 60), with the
# leak suppressions the tests use, and prints one line per target:
#   NAME: N execs, cov C, ft F, K findings
# A target's options (fuzz/NAME.options: max_len, timeout) are passed on.
# Findings go to build-fuzz/findings/NAME/; the exit status is 1 when any
# target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
root="$PWD"
build="$root/build-fuzz"

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELU_FUZZ=ON -DPELU_BUILD_TESTS=OFF -DPELU_BUILD_BENCH=OFF >/dev/null
fi
targets=()
for source in fuzz/fuzz_*.cpp; do
  targets+=("$(basename "$source" .cpp)")
done
if ! cmake --build "$build" --target "${targets[@]}" >"$build/build.log" 2>&1; then
  cat "$build/build.log" >&2
  exit 1
fi

export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export SDL_VIDEODRIVER=dummy

failed=0
for name in "${targets[@]}"; do
  options=()
  if [ -f "fuzz/$name.options" ]; then
    while IFS='=' read -r key value; do
      key="${key// /}"
      value="${value// /}"
      case "$key" in
        max_len | timeout | rss_limit_mb) options+=("-$key=$value") ;;
      esac
    done <"fuzz/$name.options"
  fi
  corpus="$build/corpus/$name"
  findings="$build/findings/$name"
  rm -rf "$findings"
  mkdir -p "$corpus" "$findings"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds+=("fuzz/corpus/$name")
  log="$build/findings/$name.log"
  status=0
  # Scratch files the targets write stay out of the source tree. A target's
  # own stdout is closed; its stderr (the command-line target prints a usage
  # text thousands of times a second) is kept to the last 4 MB, which hold
  # libFuzzer's final statistics and any sanitizer report.
  (cd "$findings" && "$build/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 \
    -close_fd_mask=1 \
    -artifact_prefix="$findings/" "${options[@]}" "$corpus" "${seeds[@]/#/$root/}") \
    2>&1 | tail -c 4000000 >"$log" || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -ao 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -ao 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  found=$(find "$findings" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' \
    -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then
    found=1  # ended badly without leaving an input: see the log
  fi
  echo "$name: ${execs:-0} execs, cov ${cov:-0}, ft ${ft:-0}, $found findings"
  if [ "$found" -ne 0 ]; then
    echo "  see $log" >&2
    failed=1
  fi
done
exit "$failed"
