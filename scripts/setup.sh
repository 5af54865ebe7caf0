#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and render.
set -euo pipefail
packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev pkg-config
  libcairo2-dev libx11-dev libxtst-dev libfontconfig-dev fonts-liberation
  libsndfile1-dev libpng-dev jackd2 libjack-jackd2-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  sox xvfb xauth x11-utils imagemagick
  zenity
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
