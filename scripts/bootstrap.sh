#!/usr/bin/env bash
# Installs the Debian packages the panel, its simulated instrument and its tests need,
# or, when packages are named as arguments, those (scripts/fuzz.sh names clang).
# Quick when everything is already there: it only calls apt-get for missing packages.
set -euo pipefail

DEFAULT_PACKAGES=(
  build-essential cmake pkg-config ccache
  qtbase5-dev qtbase5-dev-tools libqt5svg5-dev
  libqwt-qt5-dev qt5-style-plugins
  libyaml-cpp-dev
  xvfb xauth imagemagick
  fonts-dejavu-core
  libkissfft-float131
  nlohmann-json3-dev libhdf5-dev
  poppler-utils python3-numpy hdf5-tools
  desktop-file-utils
)
PACKAGES=("${@:-${DEFAULT_PACKAGES[@]}}")

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
