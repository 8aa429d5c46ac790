#!/usr/bin/env bash
# Checks that the tests compile with clang as well as with g++: a syntax-only
# pass over each test source with the flags the dev build gives it, which
# must be configured first (./test.sh does it).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh

ensure_packages "${CLANG_PACKAGES[@]}"
commands=build/dev/compile_commands.json
[ -f "$commands" ] || { echo "no $commands: run ./test.sh first" >&2; exit 1; }
echo "Compiling the tests with clang…"
# From each entry: its directory, then its arguments less the compiler and
# the output, one per line.
python3 - "$commands" "$PWD/tests/" <<'PY' | while IFS= read -r dir && IFS= read -r args; do
import json, shlex, sys
for entry in json.load(open(sys.argv[1])):
    if not entry["file"].startswith(sys.argv[2]):
        continue
    words = shlex.split(entry["command"])[1:]
    if "-o" in words:
        i = words.index("-o")
        del words[i:i + 2]
    words = [w for w in words if w != "-c"]
    print(entry["directory"])
    print(shlex.join(words))
PY
    eval "set -- $args"
    (cd "$dir" && clang++ -fsyntax-only "$@")
done
