#!/usr/bin/env bash
# The long soak: the program (sanitizer build) against a simulated console with every
# fault switched on (wrong echoes 5 %, dropped replies 2 %, wrong checksums 1 %, silent
# stretches of 30 s, radio windows every 32 s), its clock 60 times fast and a history
# data set every simulated minute, until SOAK_SETS data sets (default 2000, a dozen turns
# of the console's ring) have been downloaded. Then the history file is checked data set
# by data set against what the console stored, and the program must quit in order.
# Every SOAK_VANISH_EVERY seconds (default 300; 0 for none) the cable is pulled: the
# console's line vanishes for 10 s and comes back under the same link.
# Takes about 35 minutes. SOAK_SEED picks another fault pattern.
# Then the command soak: commands at random through the dialogs' queue (alarm thresholds
# and switches, min/max resets, interval changes, older-set stores) while the line has
# faults and the cable is pulled (every SOAK_CMD_VANISH_EVERY s, default 30), until the
# console has stored SOAK_SETS more data sets (one a second at an interval of a minute);
# it compares the console's memory with what was confirmed. SOAK_ONLY=history or
# commands runs one of the two.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build-test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCH_SANITIZE=ON -DCH_WERROR=ON -DCH_TESTS=ON -DCH_BENCH=OFF >/dev/null
cmake --build "$build" -j"${SOAK_BUILD_JOBS:-2}" --target clearhorizon proof_soak_test proof_command_soak_test
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
export CH_RESOURCE_DIR="$PWD/$build/bin"
export CH_SOAK_SETS=${SOAK_SETS:-2000}
export CH_SOAK_VANISH_EVERY=${SOAK_VANISH_EVERY:-300}
[ -n "${SOAK_SEED:-}" ] && export CH_SOAK_SEED=$SOAK_SEED
cd "$build/bin"
if [ "${SOAK_ONLY:-}" != commands ]; then ./proof_soak_test; fi
if [ "${SOAK_ONLY:-}" != history ]; then
  CH_CMD_SOAK_VANISH_EVERY=${SOAK_CMD_VANISH_EVERY:-30} ./proof_command_soak_test
fi
