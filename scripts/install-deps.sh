#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when
# any of them is missing.
set -euo pipefail
PKGS=(cmake g++ make libgtest-dev libgmock-dev libfltk1.3-dev srecord
      xvfb xdotool x11-apps xauth netpbm fonts-liberation python3)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
