#!/usr/bin/env bash
# The CPU the editor uses when nothing happens, under an Xvfb of its own:
# first on the title screen, then in the editor (entered with one click),
# each for SECONDS. CPU is utime + stime of the process from /proc/PID/stat
# (all its threads), as a share of one core; wake-ups are the main thread's
# voluntary context switches. Target: at most 1 % of a core on both screens.
#   bench/process/idle_cpu.sh PELUBLOCK RUN_DIR [SECONDS]
# The software renderer, sending its pixels to the X server itself, is what
# the end-to-end tests use; set SDL_RENDER_DRIVER and
# SDL_FRAMEBUFFER_ACCELERATION to choose otherwise.
set -euo pipefail
program="$(readlink -f "$1")"
rundir="$2"
seconds="${3:-60}"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/pelu-idle-cpu-XXXXXX")"
xvfb=""
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
cp -r "$rundir/." "$scratch/run"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$scratch/display")"
(cd "$scratch/run" && SDL_VIDEODRIVER=x11 SDL_RENDER_DRIVER="${SDL_RENDER_DRIVER:-software}" \
  SDL_FRAMEBUFFER_ACCELERATION="${SDL_FRAMEBUFFER_ACCELERATION:-0}" exec "$program") &
pid=$!
for _ in $(seq 300); do xdotool search --name '^PELU BLOCK' >/dev/null 2>&1 && break; sleep 0.1; done
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
wakeups() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$pid/task/$pid/status"; }
measure() {
  sleep 3  # start-up or the screen change settles
  local t0 w0 t1 w1
  t0=$(ticks)
  w0=$(wakeups)
  sleep "$seconds"
  t1=$(ticks)
  w1=$(wakeups)
  awk -v what="$1" -v t="$((t1 - t0))" -v w="$((w1 - w0))" -v s="$seconds" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%-12s %5.2f %% of a core, %6.1f wake-ups/s (%d s)\n", what, 100 * t / hz / s, w / s, s }'
}
echo "$program"
measure "title"
xdotool mousemove 512 384 click 1
measure "editor"
