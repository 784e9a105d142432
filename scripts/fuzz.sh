#!/usr/bin/env bash
# Builds the libFuzzer programs with clang (AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every fuzz target for FUZZ_SECONDS (default 60) from its kept corpus in
# tests/data/fuzz/<target>/. Inputs that reach new code are merged back into that folder
# (only those that add coverage, so it stays small); the test suite replays them. A target
# that fails stops the script and leaves its reproducer in build-fuzz/artifacts/.
#
#   scripts/fuzz.sh                      # every target, 60 s each
#   FUZZ_SECONDS=300 scripts/fuzz.sh history_file resource_file
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

# clang and its libFuzzer runtime (Debian 12: libclang-rt-14-dev).
missing=()
command -v clang++ >/dev/null || missing+=(clang)
if ! clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null | grep -q /; then
  missing+=(libclang-rt-14-dev)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

all_targets=(setup_file history_file history_export language_file resource_file console_blocks mqtt_settings)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
seconds=${FUZZ_SECONDS:-60}
jobs=${FUZZ_BUILD_JOBS:-2}

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCH_FUZZ=ON \
  -DCH_TESTS=OFF -DCH_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target $(printf 'fuzz_%s ' "${targets[@]}")

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
mkdir -p "$build/artifacts"
for t in "${targets[@]}"; do
  kept="tests/data/fuzz/$t"
  work="$build/corpus/$t"
  mkdir -p "$kept" "$work"
  cp -n "$kept"/* "$work"/ 2>/dev/null || true
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1
           -artifact_prefix="$build/artifacts/$t-")
  [ -f "fuzz/$t.dict" ] && options+=(-dict="fuzz/$t.dict")
  # Short inputs keep the kept corpus small; they reach the same code.
  max_len=2048
  [ "$t" = resource_file ] && max_len=3072
  options+=(-max_len=$max_len)
  echo "== $t: ${seconds} s"
  before=$(ls "$kept" | wc -l)
  "$build/bin/fuzz_$t" "${options[@]}" "$work" 2>"$build/$t.log" || {
    tail -n 60 "$build/$t.log"
    echo "fuzz target $t failed; reproducer in $build/artifacts/" >&2
    exit 1
  }
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb|cov:" "$build/$t.log" | tail -n 3
  # The kept corpus becomes the smallest set with the coverage of old and new inputs;
  # the hand-made seeds and the inputs that once broke a target stay whatever they add.
  minimal="$build/minimal/$t"
  rm -rf "$minimal" && mkdir -p "$minimal"
  "$build/bin/fuzz_$t" -merge=1 -timeout=10 -rss_limit_mb=4096 -max_len=$max_len \
    "$minimal" "$kept" "$work" >>"$build/$t.log" 2>&1
  find "$kept" -type f ! -name 'seed-*' ! -name 'regression-*' -delete
  cp -n "$minimal"/* "$kept"/ 2>/dev/null || true
  after=$(ls "$kept" | wc -l)
  echo "   kept corpus: $before -> $after files, $(cat "$kept"/* | wc -c) bytes"
done
echo "fuzzing done: ${targets[*]}"
