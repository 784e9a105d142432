#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run need, when they are missing.
# Only hard dependencies come along (--no-install-recommends), so every package a build
# uses must be named here: .ci/run proves it with check-deps on a configured build.
#   scripts/deps.sh          install what is missing
#   scripts/deps.sh --list   print the list, one line, for check-deps
set -euo pipefail
packages=(g++ cmake make pkg-config dpkg-dev file libgtest-dev
          qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-tools-dev libqt6uitools6
          libqt6opengl6-dev libgl-dev libqcustomplot-dev
          qt6-qpa-plugins qt6-translations-l10n xvfb xauth desktop-file-utils
          libmosquitto-dev mosquitto mosquitto-clients openssl
          lintian appstream reuse)
if [ "${1:-}" = "--list" ]; then
  echo "${packages[*]}"
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
