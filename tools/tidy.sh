#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the program's sources;
# any finding fails the run. CI runs it after ./test.sh, which builds the dev
# preset it reads.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" clang-tidy
cmake --preset dev >/dev/null
cmake --build --preset dev >/dev/null
echo "Running clang-tidy…"
# Only the findings: clang's counts of what the header filter hid go.
run-clang-tidy -p build/dev -quiet '(^|/)(flow|flow/window|cli|chart|ui|app|python)/[^/]+\.cpp$' 2>&1 \
    | { grep -v -e 'warnings\? generated\.' -e '^.\{0,12\}clang-tidy-[0-9]* ' -e '^Suppressed ' -e 'Use -header-filter' || true; }
