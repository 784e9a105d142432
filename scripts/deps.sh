#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run need, when they are missing.
set -euo pipefail
packages=(g++ cmake make pkg-config libgtest-dev qt6-base-dev qt6-serialport-dev qt6-svg-dev
          qt6-tools-dev libqt6uitools6 libgl-dev qt6-qpa-plugins xvfb xauth
          libqcustomplot-dev)
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
