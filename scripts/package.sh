#!/usr/bin/env bash
# Builds the Release program and its Debian package (build-pkg/clearhorizon_*.deb).
# Install it with:  sudo apt install ./build-pkg/clearhorizon_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build-pkg
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCH_TESTS=OFF -DCH_BENCH=OFF \
      -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls -l "$build"/clearhorizon_*.deb
