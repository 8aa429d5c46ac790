#!/usr/bin/env bash
# The scripts' steps: one line when a step works; when it fails, its exit
# status and the part of its log that says why.
set -euo pipefail
source "$(dirname "$0")/../tools/deps.sh"
cd "$(mktemp -d)"
trap 'rm -rf "$PWD"' EXIT
failures=0
expect() { # CONDITION MESSAGE
    if ! eval "$1"; then
        echo "FAIL: $2"
        failures=$((failures + 1))
    fi
}

out=$(step "Working…" logs/ok.log sh -c 'seq 100; echo noise >&2' 2>&1)
expect '[ "$out" = "Working…" ]' "a step that works printed: $out"
expect 'grep -qx noise logs/ok.log' "the log lacks what went to stderr"

status=0
out=$(step "Working…" logs/bad.log sh -c 'seq 100; exit 3' 2>&1) || status=$?
expect '[ "$status" = 3 ]' "a failed step returned $status, not 3"
expect 'grep -qx 100 <<<"$out"' "a failed step hid its log's tail"
expect '! grep -qx 1 <<<"$out"' "a failed step printed its whole log"

# A compiler's message can be longer than any tail; from ninja's first
# FAILED line on, all of it is shown.
status=0
out=$(step "Building…" logs/build.log \
    sh -c 'echo "[1/3] fine"; echo "FAILED: a.o"; echo "a.cpp:1:1: error: first"; seq 100; echo "ninja: build stopped"; exit 1' \
    2>&1) || status=$?
expect '[ "$status" = 1 ]' "a failed build returned $status"
expect 'grep -qx "a.cpp:1:1: error: first" <<<"$out"' "a failed build hid the compiler's first words"
expect 'grep -qx "ninja: build stopped" <<<"$out"' "a failed build hid ninja's last words"
expect '! grep -qx "\[1/3\] fine" <<<"$out"' "a failed build printed what went well"

exit $((failures > 0))
