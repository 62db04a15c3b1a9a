#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
set -euo pipefail
packages=(g++ make cmake pkg-config libsqlite3-dev sqlite3 nettle-dev libicu-dev libgtest-dev
          libgmock-dev libbenchmark-dev clang-format
          # The desktop program and its tests: Qt 6 Widgets (with its offscreen and X11 platform
          # plugins), a font to draw with, and an X server in memory for the pictures.
          qt6-base-dev fonts-dejavu-core xvfb xauth)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
