#!/usr/bin/env bash
# Builds the test build (AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build-test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCH_SANITIZE=ON -DCH_WERROR=ON -DCH_TESTS=ON -DCH_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
