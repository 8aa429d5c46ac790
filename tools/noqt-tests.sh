#!/usr/bin/env bash
# Builds and tests as a machine without Qt would, one that wants only
# kalvenor-cli or the Python module: CMake skips the window and says so, and
# the rest passes its tests. In build/noqt, with the build's output in
# build/noqt.log.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh

ensure_packages "${TOOL_PACKAGES[@]}" "${CORE_PACKAGES[@]}" "${CLI_PACKAGES[@]}" "${PYTHON_PACKAGES[@]}" \
    "${TEST_PACKAGES[@]}"
step "Building without Qt…" build/noqt.log configure_and_build noqt
# CMake's note, without its "-- ".
sed -n 's/^-- \(.*window is skipped.*\)/\1/p' build/noqt.log | grep .
echo "Testing…"
ctest --preset noqt
