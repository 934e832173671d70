#!/usr/bin/env bash
# The pelublock entry without a display stack: what its executable links, the
# commands it runs itself, and the editor and export it hands to the window
# program in its own place.
#   lean_entry_test.sh PELUBLOCK WINDOW_PROGRAM RUN_DIR
set -euo pipefail
entry="$1"
window="$2"
rundir="$3"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/pelu-lean-XXXXXX")"
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

echo "== the entry links no display, font or sound library"
needed="$(readelf -d "$entry" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
[ -n "$needed" ] || fail "readelf lists nothing for $entry"
if grep -iE 'sdl|x11|xcb|xext|fontconfig|freetype|asound|pulse|GL|wayland|dbus' <<<"$needed"; then
  fail "the entry links a display library"
fi
# The window program does, or the check above would prove nothing.
readelf -d "$window" | grep -q 'NEEDED.*libSDL2' || fail "the window program does not link SDL"

echo "== compile, check and run work through the entry"
work="$scratch/work"
cp -r "$rundir" "$work"
cd "$work"
"$entry" compile samples/square.bhb -o lean.r || fail "compile"
"$window" compile samples/square.bhb -o window.r || fail "compile in the window program"
[ -s lean.r ] && cmp -s lean.r window.r || fail "the two programs compile differently"
status=0
"$entry" check samples/square.bhb >check.txt || status=$?
[ "$status" -eq 0 ] || fail "check of a clean sample gives $status: $(cat check.txt)"
"$entry" run samples/square.bhb >run.txt || fail "run"
grep -q '^pose:' run.txt || fail "run prints no summary"
status=0
"$entry" compile missing.bhb 2>err.txt || status=$?
[ "$status" -eq 1 ] && grep -q '^pelublock compile: ' err.txt || fail "a missing program: $status"
status=0
"$entry" frobnicate x y 2>err.txt || status=$?
[ "$status" -eq 2 ] && grep -q "unknown command" err.txt || fail "an unknown command: $status"
"$entry" --help | grep -q 'pelublock export' || fail "--help"

echo "== export is handed to the window program"
"$entry" export samples/square.bhb -o square.png || fail "export"
[ "$(head -c 8 square.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "export wrote no PNG"
# Paths given relative to where the user stands keep their meaning across
# the hand-over, also with --data.
mkdir elsewhere
(cd elsewhere && "$entry" --data .. export ../samples/square.bhb -o there.png) ||
  fail "export with --data"
[ -s elsewhere/there.png ] || fail "export with --data wrote its picture elsewhere"

echo "== the editor is handed over in the same process"
SDL_VIDEODRIVER=dummy "$entry" samples/square.bhb &
pid=$!
# exec keeps the process: its executable becomes the window program.
handed=""
for _ in $(seq 1 200); do
  exe="$(readlink "/proc/$pid/exe" 2>/dev/null || true)"
  if [ "$exe" = "$(readlink -f "$window")" ]; then
    handed=yes
    break
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
[ -n "$handed" ] || fail "the editor did not become the window program (exe: ${exe:-gone})"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=""

echo "== without the window program"
mkdir alone
cp "$entry" alone/pelublock
status=0
alone/pelublock export samples/square.bhb -o none.png 2>err.txt || status=$?
[ "$status" -eq 1 ] && grep -q 'cannot start the window program' err.txt ||
  fail "a missing window program: status $status, $(cat err.txt)"
[ ! -e none.png ] || fail "a picture without the window program"
alone/pelublock compile samples/square.bhb -o alone.r && cmp -s alone.r lean.r ||
  fail "compile needs the window program"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures" >&2
  exit 1
fi
echo "all passed"
