#!/usr/bin/env bash
# Installs what is missing, builds the release program and makes the Debian
# package build/release/kalvenor_<version>_amd64.deb. The package manager's,
# the build's and CPack's output go to build/deps.log, build/release.log and
# build/package.log.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh

make_package() (cd build/release && cpack -G DEB)

ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
step "Building…" build/release.log configure_and_build release
step "Packaging…" build/package.log make_package
sed -n 's|^CPack: - package: \(.*\) generated\.$|Made \1|p' build/package.log
