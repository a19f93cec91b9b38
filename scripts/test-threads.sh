#!/bin/sh
# The thread-checked stage of the test command: the server's tests (its
# simulation thread, its queue, several HTTP clients at once) built with
# ThreadSanitizer, any report fatal, in build/tsan (or under
# $HARDENING_BUILD).
set -eu
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
build=${HARDENING_BUILD:-$root/build}
jobs=${JOBS:-$(nproc)}
# The HTTP library is not instrumented; hardening/tsan.supp says why its own copying is passed over.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/hardening/tsan.supp}

echo "== thread-checked build: TSan"
cmake -C "$root/hardening/tsan.cmake" -S "$root" -B "$build/tsan" -DDIST_DIR="$build/tsan/dist" >/dev/null
cmake --build "$build/tsan" -j "$jobs" --target serve_tests vmq_Tavok22ap FSSound bitmaps
ctest --test-dir "$build/tsan" --output-on-failure -R '^native\.serve_tests$'
