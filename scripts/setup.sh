#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run, test and package Tarnwick.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl1-mesa-dev
  zlib1g-dev nettle-dev libsqlite3-dev libtomlplusplus-dev
  libexpat1-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang-format
  clang libclang-rt-14-dev llvm-14
  fonts-liberation fonts-dejavu-core
  srecord
  dpkg-dev file lintian desktop-file-utils appstream man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
