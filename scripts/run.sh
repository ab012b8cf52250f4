#!/usr/bin/env bash
# Installs what is missing and builds what the program needs (the two programs and the
# installed files), not the tests. Without arguments it then starts the wizard when a
# display is available ($DISPLAY or $WAYLAND_DISPLAY), and otherwise makes an icon from the
# sample picture with the command-line front end (no display needed). Arguments
# go to the program instead, e.g. ./scripts/run.sh photo.png (the wizard with a picture)
# or ./scripts/run.sh --create my.ico photo.jpg (the batch front end).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VARLEN_BUILD_DIR:-$root/build}"

"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The tests and benchmarks are built by scripts/test.sh.
cmake --build "$build" --target varlen varlen_wizard_program varlen_icons varlen_manual
varlen="$build/programs/varlen"
if [ $# -gt 0 ]; then
    exec "$varlen" "$@"
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$varlen"
fi
"$varlen" --create "$build/sample.ico" "$root/res/sample.png"
echo "Created $build/sample.ico from res/sample.png (15 formats). See '$varlen --help'."
