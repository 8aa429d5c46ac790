#!/usr/bin/env bash
# Installs what is missing, builds the release program and makes the Debian
# package build/release/kalvenor_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
cmake --preset release >/dev/null
cmake --build --preset release
cd build/release
cpack -G DEB
