#!/usr/bin/env bash
# Fuzzes the flow core and the command line: ./fuzz.sh SECONDS runs each target that long and
# prints the executions and findings per target. Findings are kept in
# build/fuzz/findings/<target>/ until the next run; replay one with build/fuzz/<target> FILE.
# Exits 1 when any target found something or did not run.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh

seconds=${1:-}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 SECONDS   (each target runs SECONDS seconds)" >&2
    exit 1
fi

# The libraries the command line builds on, beside the fuzzing tools.
ensure_packages cmake ninja-build "${CORE_PACKAGES[@]}" "${CLI_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
build=build/fuzz
fuzz_build() {
    cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        && cmake --build "$build" --parallel "$(nproc)"
}
step "Building the fuzz targets…" build/fuzz.log fuzz_build

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1
# The build lists its targets, so none is left out.
mapfile -t targets <"$build/targets.txt"
printf '%-20s %14s  %s\n' target executions findings
found=0
for target in "${targets[@]}"; do
    # The seeds stay as committed; what the run learns goes to the build tree.
    corpus="$build/corpus/$target" findings="$build/findings/$target"
    rm -rf "$findings" # they belong to the last run
    mkdir -p "$corpus" "$findings"
    seeds=()
    [ -d "fuzz/corpus/$target" ] && seeds=("fuzz/corpus/$target")
    log="$build/$target.log"
    # No standard input: a target that reads it ends at once, not at the timeout.
    "$build/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "${seeds[@]}" </dev/null >"$log" 2>&1 || true
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ -z "$runs" ]; then
        # A target that never got going has found nothing, but says nothing either.
        found=1
        printf '%-20s %14s  %s\n' "$target" - "DID NOT RUN; from $log:"
        tail -n 20 "$log" | sed 's/^/    /'
    elif grep -qE 'ERROR: |runtime error: |deadly signal' "$log"; then
        found=1
        printf '%-20s %14s  %s\n' "$target" "${runs:-?}" "FOUND: $(grep -m1 -E 'ERROR: |runtime error: |deadly signal' "$log")"
        for f in "$findings"/*; do [ -f "$f" ] && echo "    $f"; done
    else
        printf '%-20s %14s  %s\n' "$target" "${runs:-?}" none
    fi
done
exit "$found"
