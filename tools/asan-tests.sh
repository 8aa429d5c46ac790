#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer (the asan preset)
# and runs every test under them; the first finding fails the run. The build's
# output goes to build/asan.log.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
step "Building with the sanitizers…" build/asan.log configure_and_build asan --parallel "$(nproc)"
echo "Testing with the sanitizers…"
ctest --preset asan --parallel "$(nproc)"
