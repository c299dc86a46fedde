#!/usr/bin/env bash
# Start-up benchmark: time from process start to the main window on screen, and peak memory,
# of pelko against a bare Qt main window, each started N times under a private Xvfb.
# Prints medians and the ratios pelko/bare; asserts nothing. See bench/README.md.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: bench/startup.sh [-n RUNS] [-b BUILD_DIR] [--pelko PROGRAM] [--bare PROGRAM]
  -n RUNS        starts of each program that count (default 20), after one warm-up start each
  -b BUILD_DIR   build folder holding bench/bench_pelko (the program with the start-up hook),
                 its modules in app/, and bench/bench_bare_window
                 (default build/release, else build/dev, else build/ci)
  --pelko, --bare  the programs themselves, overriding the build folder (a pelko without
                 the hook, such as app/pelko, is watched until its window is mapped)
EOF
}

root=$(cd "$(dirname "$0")/.." && pwd)
runs=20
build=""
pelko=""
bare=""
while [ $# -gt 0 ]; do
  case "$1" in
    -n) runs=$2; shift 2 ;;
    -b) build=$2; shift 2 ;;
    --pelko) pelko=$2; shift 2 ;;
    --bare) bare=$2; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
if [ -z "$build" ]; then
  for candidate in release dev ci; do
    if [ -x "$root/build/$candidate/bench/bench_pelko" ]; then build="$root/build/$candidate"; break; fi
  done
fi
# The shipped program has no start-up hook: the benchmarks' copy of it has.
pelko=${pelko:-$build/bench/bench_pelko}
bare=${bare:-$build/bench/bench_bare_window}
for program in "$pelko" "$bare"; do
  if [ ! -x "$program" ]; then
    echo "missing $program: build first (cmake --preset release && cmake --build --preset release" \
      "--target bench_pelko bench_bare_window pelko_sound pelko_journal pelko_charts)" >&2
    exit 2
  fi
done

. "$root/scripts/packages.sh"
pelko_install "${PELKO_BENCH_PACKAGES[@]}"

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# A private display: Xvfb picks a free number and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 200); do
  grep -q . "$work/display" 2>/dev/null && break
  sleep 0.05
done
display=":$(tr -d '\n' <"$work/display")"
[ "$display" != ":" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }

# Each program runs from a folder of its own, beside a silent dice sound: without one pelko
# reports the missing sound in a box before its main window.
silent_wave() {
  # RIFF WAVE, PCM, mono, 8000 Hz, 8 bit, 800 samples of silence (0x80).
  printf 'RIFF\x44\x03\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00'
  printf '\x40\x1f\x00\x00\x01\x00\x08\x00data\x20\x03\x00\x00'
  head -c 800 /dev/zero | tr '\0' '\200'
}
for name in pelko bare; do
  mkdir -p "$work/$name/program" "$work/$name/home" "$work/$name/tmp" "$work/$name/xdg"
  chmod 700 "$work/$name/xdg"
  silent_wave >"$work/$name/program/diceroll.wav"
done
cp "$pelko" "$work/pelko/program/pelko"
# The modules go beside pelko as it is deployed (the sound's is loaded only at the first sound,
# the journal's once the window is on screen).
for module in pelko_sound.so pelko_journal.so pelko_charts.so; do
  for from in "$(dirname "$pelko")" "$(dirname "$pelko")/../app"; do
    if [ -f "$from/$module" ]; then cp "$from/$module" "$work/pelko/program/"; break; fi
  done
done
cp "$bare" "$work/bare/program/bench_bare_window"

now_ns() { date +%s%N; }

# One start of a program, watched in one of three ways:
#   hook   the program has the bench hook (PELKO_BENCH_EXIT_ON_SHOW): it reports its first drawn
#          frame and quits by itself; nothing else runs beside it while it starts;
#   map    it has none: xdotool polls every 5 ms until a window is mapped, then it is ended;
#   probe  not known yet: watched as in map mode, then given 3 s to report through the hook.
# Prints "<milliseconds to the window> <peak resident KiB> <hook|map>", or nothing on failure.
start_once() {
  local name=$1 program=$2 mode=$3
  local dir="$work/$name"
  rm -f "$dir/out" "$dir/mem"
  local start mapped="" line=""
  start=$(now_ns)
  /usr/bin/time -f %M -o "$dir/mem" \
    env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$dir/home" TMPDIR="$dir/tmp" \
    XDG_RUNTIME_DIR="$dir/xdg" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb DISPLAY="$display" \
    PELKO_BENCH_EXIT_ON_SHOW=1 "$program" >"$dir/out" 2>&1 &
  local time_pid=$!
  local deadline=$(($(now_ns) + 30000000000))
  while kill -0 "$time_pid" 2>/dev/null && [ "$(now_ns)" -lt "$deadline" ]; do
    if [ "$mode" = hook ]; then
      sleep 0.02
    elif [ -z "$mapped" ]; then
      if [ -n "$(DISPLAY=$display xdotool search --onlyvisible --name '.' 2>/dev/null)" ]; then
        mapped=$(now_ns)
        [ "$mode" = map ] && break
        deadline=$((mapped + 3000000000))
      else
        sleep 0.005
      fi
    else
      sleep 0.02
    fi
  done
  # A program still running here has no hook or hangs: end it by its id (time's only child).
  program_pid=$(ps -o pid= --ppid "$time_pid" | tr -d ' ' || true)
  if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
  wait "$time_pid" 2>/dev/null || true
  program_pid=""
  line=$(sed -n 's/^PELKO_BENCH_SHOWN_NS=//p' "$dir/out" | head -1)
  local shown=${line:-$mapped} how
  [ -n "$line" ] && how=hook || how=map
  [ -n "$shown" ] || return 0
  awk -v a="$start" -v b="$shown" -v m="$(tail -1 "$dir/mem")" -v h="$how" \
    'BEGIN { printf "%.1f %d %s\n", (b - a) / 1e6, m, h }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A failed=([pelko]=0 [bare]=0) mode=() program=()
program[pelko]="$work/pelko/program/pelko"
program[bare]="$work/bare/program/bench_bare_window"
: >"$work/pelko.results"
: >"$work/bare.results"
for name in bare pelko; do
  # The warm-up start (font caches, page cache) also finds out whether the program has the hook.
  probe=$(start_once "$name" "${program[$name]}" probe)
  mode[$name]=${probe##* }
  [ -n "$probe" ] || mode[$name]=map
done
for run in $(seq "$runs"); do
  # Alternating the order (bare pelko, pelko bare, ...) keeps slow drifts of a shared machine and
  # the after-effects of one start on the next from favouring either program.
  order="bare pelko"
  [ $((run % 2)) -eq 0 ] && order="pelko bare"
  for name in $order; do
    result=$(start_once "$name" "${program[$name]}" "${mode[$name]}")
    if [ -n "$result" ]; then
      echo "$result" >>"$work/$name.results"
    else
      failed[$name]=$((failed[$name] + 1))
    fi
  done
  printf '\rrun %d/%d' "$run" "$runs" >&2
done
echo >&2

for name in bare pelko; do
  if [ ! -s "$work/$name.results" ]; then
    echo "$name: no window within 30 s in any run; its last output:" >&2
    cat "$work/$name/out" >&2 || true
    exit 1
  fi
done

bare_time=$(cut -d' ' -f1 "$work/bare.results" | median)
bare_mem=$(cut -d' ' -f2 "$work/bare.results" | median)
pelko_time=$(cut -d' ' -f1 "$work/pelko.results" | median)
pelko_mem=$(cut -d' ' -f2 "$work/pelko.results" | median)
measured() { [ "${mode[$1]}" = hook ] && echo "first frame drawn (hook)" || echo "window mapped (xdotool)"; }

spread() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%s..%s", lo, hi }'; }

printf '%-6s %5s %7s %18s %16s %18s  %s\n' program runs failed "median start (ms)" "range (ms)" \
  "median peak (KiB)" "measured to"
for name in bare pelko; do
  printf '%-6s %5d %7d %18s %16s %18s  %s\n' "$name" "$(wc -l <"$work/$name.results")" \
    "${failed[$name]}" "$(cut -d' ' -f1 "$work/$name.results" | median)" \
    "$(cut -d' ' -f1 "$work/$name.results" | spread)" \
    "$(cut -d' ' -f2 "$work/$name.results" | median)" "$(measured "$name")"
done
if [ "${mode[bare]}" != "${mode[pelko]}" ]; then
  echo "note: the two programs were measured to different points; the start-up ratio compares unlike things" >&2
fi
awk -v pt="$pelko_time" -v bt="$bare_time" -v pm="$pelko_mem" -v bm="$bare_mem" 'BEGIN {
  printf "ratio pelko/bare: start-up %.2f (target at most 1.2), peak memory %.2f (target at most 1.2)\n", pt / bt, pm / bm
}'
# The fastest starts are the least disturbed by other work on the machine.
awk -v p="$(cut -d' ' -f1 "$work/pelko.results" | sort -g | head -1)" \
  -v b="$(cut -d' ' -f1 "$work/bare.results" | sort -g | head -1)" \
  'BEGIN { printf "ratio of the fastest starts: %.2f\n", p / b }'
