#!/usr/bin/env bash
# Installs exactly the Debian packages that building and testing Tapweave need.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config clang-format git
    libsqlite3-dev libevdev-dev libx11-dev libxcb1-dev libxau-dev libxdmcp-dev x11proto-dev libxi-dev libxrandr-dev libxres-dev
    qt6-base-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth xdotool x11-utils imagemagick openbox
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
