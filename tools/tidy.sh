#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the program's sources.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" clang-tidy
cmake --preset dev >/dev/null
cmake --build --preset dev
run-clang-tidy -p build/dev -quiet '(^|/)(flow|cli|chart|ui|app|python)/[^/]+\.cpp$'
