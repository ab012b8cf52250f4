#!/usr/bin/env bash
# Installs what is missing and builds Varlen.
# The image core is all there is so far: there is no program to start yet.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VARLEN_BUILD_DIR:-$root/build}"

"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"
echo "Built the image core library and its tests in $build; the program itself does not exist yet."
