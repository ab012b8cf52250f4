#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that building and testing Varlen needs
# and that this machine lacks. Safe to run again; returns at once when all is present.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libpng-dev libjpeg62-turbo-dev libgif-dev libwebp-dev libtiff-dev librsvg2-dev libxml2-dev
    zlib1g-dev libdeflate-dev
    icoutils python3 python3-pil imagemagick
    qt6-base-dev qt6-translations-l10n qt6-l10n-tools qt6-tools-dev libgl-dev fonts-noto-cjk
    clang libclang-rt-14-dev
    desktop-file-utils appstream groff-base
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
