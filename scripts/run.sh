#!/usr/bin/env bash
# Builds the program and the Station simulator, and starts both in ./run:
# the simulator links its pseudo-terminal as run/COM1, the program talks to it as COM1.
# Without a display (a server, an ssh session) the program runs headless and this script
# prints the outdoor values from run/currdat.lst as they change; Ctrl-C ends both.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCH_TESTS=OFF -DCH_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
bin="$PWD/$build/bin"
mkdir -p run
cd run
# STATIONSIM_ARGS adds simulator options, for example "--variant 1 --speed 60".
# shellcheck disable=SC2086
"$bin/stationsim" --link COM1 ${STATIONSIM_ARGS:-} &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e COM1 ] && break; sleep 0.1; done
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  "$bin/clearhorizon"
  exit
fi

# One value of a section of currdat.lst (its lines end in CR LF).
value() {
  awk -v s="[$1]" -v k="$2" '{ sub(/\r$/, "") } $0 == s { in_s = 1; next } /^\[/ { in_s = 0 }
    in_s && $1 == k { print $3; exit }' currdat.lst 2>/dev/null || true
}
echo "No display found: running headless in $PWD."
echo "Outdoor values from currdat.lst as they change (Ctrl-C ends):"
"$bin/clearhorizon" --headless &
prog=$!
# The program's orderly quit first, then the simulator.
trap 'kill $prog 2>/dev/null; wait $prog 2>/dev/null; kill $sim 2>/dev/null || true' EXIT
trap 'exit 0' INT TERM
shown=""
while kill -0 "$prog" 2>/dev/null; do
  now="$(value outdoor_temperature deg_C) °C  $(value outdoor_humidity percent) %"
  if [ "$now" != "$shown" ] && [ -e currdat.lst ]; then
    echo "$(date +%H:%M:%S)  outdoor $now"
    shown=$now
  fi
  sleep 2
done
