#!/usr/bin/env bash
# Installs what is missing, builds the release programs and makes the Debian
# packages build/release/<package>_<version>_<arch>.deb, one for each of
# kalvenor, kalvenor-cli and python3-kalvenor. The package manager's,
# the build's and CPack's output go to build/deps.log, build/release.log and
# build/package.log. With --lint, lintian then checks the packages and prints
# what it finds.
#   tools/package.sh [--lint]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh

lint=false
case ${1:-} in
'') ;;
--lint) lint=true ;;
*)
    echo "usage: $0 [--lint]" >&2
    exit 2
    ;;
esac

make_package() (cd build/release && cpack -G DEB)

# The latest changelog entry's date stands for every time CPack would record
# (the packages' file times), so that the same sources give the same packages;
# the build itself records none.
changelog_date=$(sed -n 's/^ -- .*  \(.*\)$/\1/p' packaging/changelog.in | head -n 1)
SOURCE_DATE_EPOCH=$(date -d "${changelog_date:?no date in packaging/changelog.in}" +%s)
export SOURCE_DATE_EPOCH

if $lint; then
    ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" "${LINT_PACKAGES[@]}"
else
    ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
fi
step "Building…" build/release.log configure_and_build release
step "Packaging…" build/package.log make_package
sed -n 's|^CPack: - package: \(.*\) generated\.$|Made \1|p' build/package.log
if $lint; then
    echo "Linting…"
    mapfile -t made < <(sed -n 's|^CPack: - package: \(.*\) generated\.$|\1|p' build/package.log)
    lintian -I -E --pedantic "${made[@]}"
fi
