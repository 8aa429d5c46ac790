#!/usr/bin/env bash
# Installs what is missing, builds an optimised tree of its own, runs the
# benchmarks, the command line's against its floors, the Python module's
# against numpy and the start-up comparison, and prints each against its
# goals. Arguments go to the window's benchmark program, e.g.
# --benchmark_filter=Parse.
# Exits 2 when a goal is missed, 1 when something fails to run.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKALVENOR_BENCHMARKS=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)" >/dev/null

missed=0
# A benchmark program exits 2 when it misses a goal, anything else but 0 when
# it fails to run.
tally() {
    case $1 in
    0) ;;
    2) missed=1 ;;
    *) exit 1 ;;
    esac
}
# measure COMMAND...: runs a benchmark program and tallies its status.
measure() {
    local status=0
    "$@" || status=$?
    tally "$status"
}

echo "== Benchmarks (median of 3 repetitions, offscreen window)"
set +e
QT_QPA_PLATFORM=offscreen "$build/bench/kalvenor_bench" --benchmark_repetitions=3 "$@" 2>&1 \
    | grep -v -e XDG_RUNTIME_DIR -e 'does not support'
status=${PIPESTATUS[0]}
set -e
tally "$status"

echo
echo "== Forward kernel at each instruction set against plain closed forms (median of 9, interleaved)"
measure "$build/bench/forward_bench" --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true

echo
echo "== Inverse kernel against plain closed forms, p0 and s against the forward kernel (median of 9, interleaved)"
measure "$build/bench/inverse_bench" --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true

echo
echo "== Command line against its floors (median of 5 repetitions, interleaved)"
measure "$build/bench/cli_bench" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true

echo
echo "== Python module against numpy (medians of 15 repetitions, alternating)"
python=$(sed -n 's/^Python3_EXECUTABLE:[A-Z]*=//p' "$build/CMakeCache.txt")
measure env PYTHONPATH="$build/python" "${python:-python3}" bench/python_bench.py 15

# Start-up wants a real X server: the offscreen platform skips the work of
# connecting and flushing to a screen.
xvfb_pid=
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "${work:-}"' EXIT
work=$(mktemp -d)
if [ -z "${DISPLAY:-}" ]; then
    # -displayfd picks a free display number and writes it once it listens.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || { echo "bench.sh: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(cat "$work/display")"
fi
unset QT_QPA_PLATFORM

runs=30
probe() { # name: one run under GNU time, appending "seconds kilobytes"
    # Wall time from bash's microsecond clock: GNU time shows centiseconds.
    local start=$EPOCHREALTIME
    timeout 60 /usr/bin/time -v -o "$work/time" "$build/bench/startup_$1" >/dev/null 2>&1 || {
        echo "bench.sh: startup_$1 failed" >&2
        exit 1
    }
    local end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" -F': ' '/Maximum resident set size/ { kb = $2 }
        END { printf "%.6f %d\n", e - s, kb }' "$work/time" >>"$work/$1"
}
probe main_window && probe minimal_form && : >"$work/main_window" && : >"$work/minimal_form" # warm the caches
for _ in $(seq "$runs"); do
    probe main_window
    probe minimal_form
done

median() { # file column
    sort -g -k"$2,$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
wall_w=$(median "$work/main_window" 1) wall_f=$(median "$work/minimal_form" 1)
rss_w=$(median "$work/main_window" 2) rss_f=$(median "$work/minimal_form" 2)
# The wall-time ratio is the median over the pairs of neighbouring runs, which
# share the machine's load of the moment (others building change it).
paste -d' ' "$work/main_window" "$work/minimal_form" | awk '$3 > 0 { print $1 / $3 }' >"$work/ratios"
wall_ratio=$(median "$work/ratios" 1)
echo
echo "== Start-up to first paint on $DISPLAY ($runs runs each, alternating, medians)"
awk -v ww="$wall_w" -v wf="$wall_f" -v rw="$rss_w" -v rf="$rss_f" -v tw="$wall_ratio" 'BEGIN {
    printf "  %-28s %12s %14s\n", "", "wall time", "peak RSS"
    printf "  %-28s %10.3f s %11d KiB\n", "ui::MainWindow", ww, rw
    printf "  %-28s %10.3f s %11d KiB\n", "label, line edit, button", wf, rf
    tr = rf > 0 ? rw / rf : 0
    printf "  %-28s %11.2fx %13.2fx   (goals <= 1.1, <= 1.2: %s, %s)\n", "ratio", tw, tr,
           tw <= 1.1 ? "met" : "MISSED", tr <= 1.2 ? "met" : "MISSED"
    exit (tw <= 1.1 && tr <= 1.2) ? 0 : 1
}' || missed=1

[ "$missed" -eq 0 ] || exit 2
