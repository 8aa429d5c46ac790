#!/usr/bin/env bash
# Installs what is missing, builds, and opens the calculator.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); the calculator needs a desktop session." >&2
    exit 1
fi

ensure_packages "${BUILD_PACKAGES[@]}"
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/app/kalvenor
