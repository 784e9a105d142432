#!/usr/bin/env bash
# Builds a Release build and prints every figure in one run: the link's overhead, the
# polling cycle and a 175-set history download against the wire time at 2400 baud, the
# whole program's start-up, quit, CPU over a minute of running and peak memory, and the
# history view's page reads and the text export on a file of 1,000,000 data sets, and the
# graphs window on such a file (opening, zoom and pan steps, statistics, memory). The
# benches print; none of them passes or fails on a figure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCH_SANITIZE=OFF -DCH_TESTS=ON -DCH_BENCH=ON >/dev/null
benches=(link_overhead_bench wire_ratio_bench program_bench history_page_bench history_export_bench
         graphs_bench mqtt_bench)
cmake --build "$build" -j"${BENCH_BUILD_JOBS:-2}" --target clearhorizon stationsim "${benches[@]}"
export QT_QPA_PLATFORM=offscreen
cd "$build/bin"
for b in "${benches[@]}"; do
  echo "== $b"
  ./"$b"
done
