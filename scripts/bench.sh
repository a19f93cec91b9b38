#!/bin/sh
# Builds and runs the panel bench: processor time per full panel cycle of all
# five gauges and per click, over the module and over the null module, ending
# with the line "cycle: X ns, null: Y ns, ratio: Z". Arguments go to the bench
# (for instance --benchmark_min_time=2). Build folder: build/bench.
set -eu
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
build=${BENCH_BUILD:-$root/build/bench}
jobs=${JOBS:-$(nproc)}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDIST_DIR="$build/dist" >/dev/null
cmake --build "$build" -j "$jobs" --target panel_bench >/dev/null
echo "machine: $(nproc) processors, $(lscpu | sed -n 's/^Model name: *//p')"
exec "$build/hardening/panel_bench" "$@"
