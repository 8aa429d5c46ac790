#!/usr/bin/env bash
# Installs what is missing, builds, and opens the calculator. The package
# manager's and the build's output go to build/deps.log and build/release.log.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); the calculator needs a desktop session." >&2
    echo "On a machine without a desktop, give it a virtual X display: xvfb-run -a ./run.sh" >&2
    echo "(xvfb-run comes with the package xvfb: apt-get install xvfb)." >&2
    exit 1
fi

ensure_packages "${BUILD_PACKAGES[@]}"
step "Building…" build/release.log configure_and_build release
# On a virtual display nothing shows; the name says where to look.
echo "Opening the window on display ${DISPLAY:-$WAYLAND_DISPLAY}…"
exec build/release/app/kalvenor
