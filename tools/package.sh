#!/usr/bin/env bash
# Installs what is missing, builds the release programs and makes the Debian
# packages build/release/<package>_<version>_<arch>.deb, one for each of
# kalvenor, kalvenor-cli and python3-kalvenor. The package manager's,
# the build's and CPack's output go to build/deps.log, build/release.log and
# build/package.log.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh

# The changelog's date stands for every file's time in the packages, so that
# the same sources give the same packages.
make_package() (
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l build/release/packaging/changelog -STimestamp)
    export SOURCE_DATE_EPOCH
    cd build/release && cpack -G DEB
)

ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
step "Building…" build/release.log configure_and_build release
step "Packaging…" build/package.log make_package
sed -n 's|^CPack: - package: \(.*\) generated\.$|Made \1|p' build/package.log
