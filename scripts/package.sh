#!/usr/bin/env bash
# Builds the Release program and its Debian package (build-pkg/clearhorizon_*.deb).
# Install it with:  sudo apt install ./build-pkg/clearhorizon_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build-pkg
# Debian's hardening flags (fortified functions, stack protector, full RELRO with
# immediate binding), as a package built by Debian's own tools gets them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCH_TESTS=OFF -DCH_BENCH=OFF \
      -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls -l "$build"/clearhorizon_*.deb
