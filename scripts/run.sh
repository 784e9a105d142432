#!/usr/bin/env bash
# Builds the program and the Station simulator, and starts both in ./run:
# the simulator links its pseudo-terminal as run/COM1, the program talks to it as COM1.
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
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: running on a virtual display (Xvfb :99)."
  Xvfb :99 -screen 0 1280x800x24 >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $sim $xvfb 2>/dev/null || true' EXIT
  export DISPLAY=:99
  sleep 1
fi
"$bin/clearhorizon"
