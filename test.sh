#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless. The package
# manager's and the build's output go to build/deps.log and build/dev.log.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
step "Building…" build/dev.log configure_and_build dev
echo "Testing…"
ctest --preset dev
