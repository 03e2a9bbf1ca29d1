#!/usr/bin/env bash
# Installs the Debian packages the build, tests and demo need. Idempotent:
# does nothing when every package is already present.
set -euo pipefail

PACKAGES=(
  cmake g++ ninja-build pkg-config ccache
  zlib1g-dev libdb5.3++-dev db5.3-util libssl-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qt6-base-dev qt6-webengine-dev qt6-webchannel-dev qt6-multimedia-dev
  libqt6svg6 libxcb1-dev qt6-image-formats-plugins
  xvfb xauth x11-utils x11-apps fonts-wqy-microhei dbus-daemon
  sqlite3 python3 at-spi2-core weston qt6-wayland
  dpkg-dev file desktop-file-utils appstream groff-base man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
