#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6svg6
  libzip-dev zip unzip
  libxlsxwriter-dev
  libcli11-dev
  libgtest-dev libgmock-dev
  libbackward-cpp-dev libdw-dev
  xvfb xauth fonts-dejavu-core
  jdupes bc time python3
  unrtf
  chromium
  appstream desktop-file-utils lintian dpkg-dev file bash-completion xdotool xz-utils man-db bsdextrautils
  clang-14 libclang-rt-14-dev clang-format-14
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
